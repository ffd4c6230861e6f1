// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellCommands.h"

#include "CommandActions.h"
#include "MessageBox.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "WebAddresses.h"

#include <QAction>
#include <QFileInfo>
#include <QLibrary>
#include <QWidget>
#include <algorithm>

using Profile::loadText;
using Profile::readSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

const WebAddress *webAddressOf(const QString &target)
{
    const auto it = std::find_if(kWebAddresses.cbegin(), kWebAddresses.cend(),
        [&](const WebAddress &page) { return QUrl(page.address.toString()).toString(QUrl::FullyEncoded) == target; });
    return it == kWebAddresses.cend() ? nullptr : &*it;
}

} // namespace

ShellCommands::ShellCommands(ShellOpener &opener, QWidget *owner, CommandActions &commands)
    : QObject(owner)
    , m_opener(opener)
    , m_owner(owner)
{
    connect(&m_opener, &ShellOpener::failed, this, &ShellCommands::onFailed);
    const auto on
        = [&](CommandId id, auto handler) { connect(commands.action(id), &QAction::triggered, this, handler); };
    for (const WebAddress &page : kWebAddresses)
        on(page.command, [this, &page] { m_opener.openAddress(QUrl(page.address.toString())); });
    on(CmdOpenHelpFile, [this] { m_opener.openFile(sharedStrings().programFolder + u'/' + helpFileName()); });
    on(CmdRunUpdater,
        [this] { m_opener.runProgram(QFileInfo(sharedStrings().executableFile).absolutePath() + u"/vtupdate"_s); });
    on(CmdRunLinkLibrary, [this] { runLinkLibrary(); });
}

QString ShellCommands::helpFileName()
{
    if (readSetting(SettingKey::Language).isEmpty())
        return u"vt-ampora.html"_s;
    // The abbreviation becomes part of a file name: anything but a plain language tag falls back
    // to the default manual rather than reaching another folder.
    const QString abbreviation = readSetting(SettingKey::LanguageAbbreviation).toLower();
    if (!Program::isPlainLanguageTag(abbreviation))
        return u"vt-ampora.html"_s;
    return u"vt-ampora_"_s + abbreviation + u".html"_s;
}

void ShellCommands::onFailed(const QString &target, OpenError error)
{
    if (const WebAddress *page = webAddressOf(target); page && error == OpenError::NoAssociation) {
        m_opener.openInBrowser(QUrl(page->fallback.toString()));
        return;
    }
    MessageBox::error(m_owner, loadText(u"IDS_RUNNING3"), openErrorText(error));
}

void ShellCommands::runLinkLibrary()
{
    // The maker's library is optional: without it, or without its entry point, nothing happens.
    QLibrary library(u"vt-lnks"_s);
    using OnCloud = void (*)(void *window);
    if (auto onCloud = reinterpret_cast<OnCloud>(library.resolve("OnCloud")))
        onCloud(reinterpret_cast<void *>(m_owner ? m_owner->winId() : 0));
    library.unload();
}
