#include "AboutDialog.h"

#include "FocusMarked.h"
#include "Pictures.h"
#include "Profile.h"
#include "SharedStrings.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

using Profile::loadText;
using Program::sharedStrings;

namespace {

// The box's layout in pixels: the classic proportions, with room for the notice in English.
constexpr QSize kDialogSize(480, 88);
constexpr QRect kIcon(18, 20, 32, 32);
constexpr QRect kVersionLine(66, 14, 300, 22);
constexpr QRect kNoticeLine(66, 42, 300, 18);
constexpr QRect kOkButton(380, 20, 80, 26);

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , m_versionLine(new QLabel(this))
    , m_noticeLine(new QLabel(this))
    , m_okButton(new FocusMarked<QPushButton>(this)) // the style marks focus only after a key press
{
    const SharedStrings &strings = sharedStrings();
    setWindowTitle(loadText(u"IDS_ABOUT") + u' ' + strings.appTitle);
    setFixedSize(kDialogSize);

    auto *icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(kIcon.size()));
    icon->setGeometry(kIcon);
    m_versionLine->setText(strings.messageCaption + u' ' + loadText(u"IDS_VERSION") + QStringLiteral(" 1.0"));
    m_versionLine->setGeometry(kVersionLine);
    m_noticeLine->setText(loadText(u"IDS_COPYRIGHT"));
    m_noticeLine->setGeometry(kNoticeLine);
    for (QLabel *line : { m_versionLine, m_noticeLine })
        line->setTextFormat(Qt::PlainText);

    m_okButton->setText(loadText(u"IDS_OK"));
    m_okButton->setGeometry(kOkButton);
    m_okButton->setDefault(true);
    m_okButton->setFocus();
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}
