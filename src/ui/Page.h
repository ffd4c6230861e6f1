#pragma once

#include "PictureId.h"

#include <QPixmap>
#include <QWidget>
#include <array>

class PictureButton;
class QDialog;

enum class PageKind { Summary, PlanList, ScheduledPlans };

// What every page of the main window shares: the page colours and logo, the Help and Settings
// buttons at the top right, the Help drop-down and forwarding of the frame's commands. Pages add their own
// controls and answer refresh() when the frame says the active plan changed.
class Page : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize kFrameSize { 1018, 550 };

    explicit Page(QWidget *parent = nullptr);

    // The active plan changed or a refresh was asked: reload what the page shows.
    virtual void refresh() { }
    // The window title was reloaded from the language file; pages take no action by default.
    virtual void titleReloaded() { }

    PictureButton *helpButton() const { return m_helpButton; }
    PictureButton *settingsButton() const { return m_settingsButton; }

    // A page's language text (section "Ampora"), cut at the page's text buffer of 2,500.
    static QString text(const char16_t *key);

Q_SIGNALS:
    // A command for the main frame (see CommandId).
    void commandRequested(int id);

protected:
    using ButtonPictures = std::array<PictureId, 4>; // normal, hover, pressed, disabled

    // A picture button that tells the page of hovering (so the hover look is reset) and whose
    // click arrives at onCommand() with its id. A null captionKey gives a button without caption.
    PictureButton *addButton(int id, const char16_t *captionKey, const ButtonPictures &pictures, const QRect &rect);

    // Runs one of the page's dialogs modally. When it has closed, the page's window takes the
    // keyboard back: some window managers leave it nowhere when a dialog closes right after a
    // message box of its own.
    int execDialog(QDialog &dialog);

    // Fixes the main window at kFrameSize and takes away its maximise box (the home page does
    // this once; the window keeps it for the rest of the run).
    void holdFrameSize();

    // Every button, link and menu of the page reports here. The base forwards the frame's
    // commands (501-509, 40011-40014) and opens the Help drop-down (40001); others are ignored.
    virtual void onCommand(int id);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutTopButtons();
    void showHelpMenu();

    PictureButton *m_helpButton;
    PictureButton *m_settingsButton;
    QPixmap m_logo; // the picture beside the language file, drawn at the top left of every page
};
