// SPDX-License-Identifier: GPL-3.0-or-later
#include "Page.h"

#include "CommandActions.h"
#include "PageColours.h"
#include "PictureButton.h"
#include "Pictures.h"
#include "Profile.h"
#include "SharedStrings.h"

#include <QAction>
#include <QDialog>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

using Profile::loadText;
using Program::sharedStrings;

namespace {

constexpr int kTextBuffer = 2500;
constexpr int kTopButtonY = 5;
constexpr int kTopButtonHeight = 16;
constexpr int kCharWidth = 8;
constexpr int kHelpPictureSpace = 16;
constexpr int kRightMargin = 3;
constexpr int kButtonGap = 20;
constexpr QPoint kLogoAt(4, 4);

} // namespace

Page::Page(QWidget *parent, CommandActions *commands)
    : QWidget(parent)
    , m_commands(commands ? commands : new CommandActions(this))
    , m_logo(loadPictureFile(sharedStrings().pictureFile))
{
    using enum PictureId;
    m_helpButton = addButton(CmdShowHelpMenu, u"IDS_HELP", { Help, Help, Help, HelpDisabled }, QRect(956, 5, 56, 16));
    m_settingsButton = addButton(
        CmdOpenSettings, u"IDS_SETTINGS", { Settings, Settings, Settings, SettingsDisabled }, QRect(811, 5, 79, 16));
    connect(command(CmdShowHelpMenu), &QAction::triggered, this, &Page::showHelpMenu);
}

QString Page::text(const char16_t *key)
{
    return loadText(key, kTextBuffer);
}

QAction *Page::command(CommandId id) const
{
    return m_commands->action(id);
}

PictureButton *Page::addButton(
    CommandId id, const char16_t *captionKey, const ButtonPictures &pictures, const QRect &rect)
{
    auto *button = new PictureButton(id, this);
    button->setPictures(pictures[0], pictures[1], pictures[2], pictures[3]);
    if (captionKey) {
        button->setCaption(text(captionKey));
        command(id)->setText(button->caption());
    }
    button->setNotifyParent(true);
    button->setGeometry(rect);
    PictureButton::connectHoverReset(button);
    button->setAction(command(id));
    return button;
}

void Page::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintPageBackground(painter, rect());
    if (!m_logo.isNull())
        painter.drawImage(QRectF(kLogoAt, m_logo.deviceIndependentSize()), m_logo);
}

void Page::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutTopButtons();
}

void Page::layoutTopButtons()
{
    // Both buttons are as wide as their captions, the Help button 3 pixels from the right edge. A
    // large font (scaled screens, a font DPI above 96) widens and heightens them to show the whole
    // caption, descenders included.
    const QSize helpText = m_helpButton->captionExtent();
    const QSize settingsText = m_settingsButton->captionExtent();
    const int height = std::max({ kTopButtonHeight, helpText.height(), settingsText.height() });
    const int helpWidth
        = std::max(kCharWidth * int(m_helpButton->caption().size()) + kHelpPictureSpace, helpText.width());
    const int helpLeft = width() - kRightMargin - helpWidth;
    m_helpButton->setGeometry(helpLeft, kTopButtonY, helpWidth, height);
    const int settingsWidth = std::max(kCharWidth * int(m_settingsButton->caption().size()), settingsText.width());
    m_settingsButton->setGeometry(helpLeft - kButtonGap - settingsWidth, kTopButtonY, settingsWidth, height);
}

void Page::showHelpMenu()
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QIcon aboutIcon(QPixmap::fromImage(loadPicture(PictureId::AboutMenuItem)));
    QAction *about = command(CmdShowAbout);
    about->setIcon(aboutIcon);
    about->setText(text(u"IDS_ABOUT"));
    menu->addAction(about);
    menu->popup(m_helpButton->mapToGlobal(QPoint(0, m_helpButton->height())));
}

int Page::execDialog(QDialog &dialog)
{
    const int result = dialog.exec();
    if (window()->isVisible())
        window()->activateWindow();
    return result;
}

void Page::holdFrameSize()
{
    QWidget *frame = parentWidget() ? window() : nullptr;
    if (!frame)
        return;
    frame->setFixedSize(kFrameSize);
    const Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    if (frame->windowFlags() == flags)
        return;
    // Changing the flags of a shown window hides it; show it again where it was.
    const bool shown = frame->isVisible();
    frame->setWindowFlags(flags);
    if (shown)
        frame->show();
}
