// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandId.h"
#include "PictureId.h"

#include <QImage>
#include <QWidget>
#include <array>

class CommandActions;
class PictureButton;
class QAction;
class QDialog;

enum class PageKind { Summary, PlanList, ScheduledPlans };

// What every page of the main window shares: the page colours and logo, the Help and Settings
// buttons at the top right and the Help drop-down. Every button and menu item of a page offers one
// of the window's command actions (see CommandActions): the page carries out its own commands,
// the frame those that leave the page. Pages add their own controls and answer refresh() when the
// frame says the active plan changed.
class Page : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize kFrameSize { 1018, 550 };

    // commands: the frame's; a page made without them has its own.
    explicit Page(QWidget *parent = nullptr, CommandActions *commands = nullptr);

    // The active plan changed or a refresh was asked: reload what the page shows.
    virtual void refresh() { }
    // The window title was reloaded from the language file; pages take no action by default.
    virtual void titleReloaded() { }

    // A page's language text (section "Ampora"), cut at the page's text buffer of 2,500.
    static QString text(const char16_t *key);

protected:
    using ButtonPictures = std::array<PictureId, 4>; // normal, hover, pressed, disabled

    QAction *command(CommandId id) const;
    // A picture button that offers the command's action and tells the page of hovering (so the
    // hover look is reset). A caption also becomes the action's text, for menus that offer it;
    // a null captionKey gives a button without caption.
    PictureButton *addButton(
        CommandId id, const char16_t *captionKey, const ButtonPictures &pictures, const QRect &rect);

    // Runs one of the page's dialogs modally. When it has closed, the page's window takes the
    // keyboard back: some window managers leave it nowhere when a dialog closes right after a
    // message box of its own.
    int execDialog(QDialog &dialog);

    // Fixes the main window at kFrameSize and takes away its maximise box (the home page does
    // this once; the window keeps it for the rest of the run).
    void holdFrameSize();

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutTopButtons();
    void showHelpMenu();

    CommandActions *m_commands;
    PictureButton *m_helpButton;
    PictureButton *m_settingsButton;
    QImage m_logo; // the picture beside the language file, drawn at the top left of every page
};
