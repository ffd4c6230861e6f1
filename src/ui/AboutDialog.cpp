// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutDialog.h"

#include "FocusMarked.h"
#include "Pictures.h"
#include "Profile.h"
#include "SharedStrings.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

using Profile::loadText;
using Program::sharedStrings;

namespace {

// The box's layout in pixels: the classic proportions, with room for the notice in English.
constexpr QSize kDialogSize(480, 88);
constexpr QRect kIcon(18, 20, 32, 32);
constexpr QRect kVersionLine(66, 14, 300, 22);
constexpr QRect kNoticeLine(66, 42, 300, 18);
constexpr QRect kOkButton(380, 20, 80, 26);
constexpr int kTextToButton = 14;

// Places the label at `place`, grown right and down to its text; returns its right edge.
int growToText(QLabel *label, const QRect &place)
{
    label->setGeometry(QRect(place.topLeft(), place.size().expandedTo(label->sizeHint())));
    return label->geometry().right();
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , m_versionLine(new QLabel(this))
    , m_noticeLine(new QLabel(this))
    , m_okButton(new FocusMarked<QPushButton>(this)) // the style marks focus only after a key press
{
    const SharedStrings &strings = sharedStrings();
    setWindowTitle(loadText(u"IDS_ABOUT") + u' ' + strings.appTitle);

    auto *icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(kIcon.size()));
    icon->setGeometry(kIcon);
    m_versionLine->setText(strings.messageCaption + u' ' + loadText(u"IDS_VERSION") + QStringLiteral(" 1.0"));
    m_noticeLine->setText(loadText(u"IDS_COPYRIGHT"));
    for (QLabel *line : { m_versionLine, m_noticeLine })
        line->setTextFormat(Qt::PlainText);

    m_okButton->setText(loadText(u"IDS_OK"));
    // The lines keep their places but grow to their texts (a large font, a longer translation),
    // and the button and the box make room for them.
    const int textRight = std::max(growToText(m_versionLine, kVersionLine), growToText(m_noticeLine, kNoticeLine));
    QRect okButton = kOkButton;
    okButton.moveLeft(std::max(kOkButton.left(), textRight + kTextToButton));
    okButton.setSize(okButton.size().expandedTo(m_okButton->sizeHint()));
    m_okButton->setGeometry(okButton);
    const QSize margins(kDialogSize.width() - kOkButton.right(), kDialogSize.height() - kNoticeLine.bottom());
    setFixedSize(kDialogSize.expandedTo(QSize(okButton.right(), m_noticeLine->geometry().bottom()) + margins));
    m_okButton->setDefault(true);
    m_okButton->setFocus();
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}
