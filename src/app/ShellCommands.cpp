#include "ShellCommands.h"

#include "CommandId.h"
#include "MessageBox.h"
#include "Profile.h"
#include "SharedStrings.h"
#include "WebAddresses.h"

#include <QFileInfo>
#include <QLibrary>
#include <QRegularExpression>
#include <QWidget>
#include <algorithm>

using Profile::loadText;
using Profile::readSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

const WebAddress *webAddressOf(int id)
{
    const auto it = std::find_if(
        kWebAddresses.cbegin(), kWebAddresses.cend(), [id](const WebAddress &page) { return page.command == id; });
    return it == kWebAddresses.cend() ? nullptr : &*it;
}

const WebAddress *webAddressOf(const QString &target)
{
    const auto it = std::find_if(kWebAddresses.cbegin(), kWebAddresses.cend(),
        [&](const WebAddress &page) { return QUrl(page.address.toString()).toString(QUrl::FullyEncoded) == target; });
    return it == kWebAddresses.cend() ? nullptr : &*it;
}

} // namespace

ShellCommands::ShellCommands(ShellOpener &opener, QWidget *owner)
    : QObject(owner)
    , m_opener(opener)
    , m_owner(owner)
{
    connect(&m_opener, &ShellOpener::failed, this, &ShellCommands::onFailed);
}

QString ShellCommands::helpFileName()
{
    if (readSetting(SettingKey::Language).isEmpty())
        return u"vt-ampora.html"_s;
    // The abbreviation becomes part of a file name: anything but a plain language tag falls back
    // to the default manual rather than reaching another folder.
    static const QRegularExpression tag(u"^[a-z0-9_-]{1,16}$"_s);
    const QString abbreviation = readSetting(SettingKey::LanguageAbbreviation).toLower();
    if (!tag.match(abbreviation).hasMatch())
        return u"vt-ampora.html"_s;
    return u"vt-ampora_"_s + abbreviation + u".html"_s;
}

bool ShellCommands::run(int id)
{
    if (const WebAddress *page = webAddressOf(id)) {
        m_opener.openAddress(QUrl(page->address.toString()));
        return true;
    }
    switch (id) {
    case CmdOpenHelpFile:
        m_opener.openFile(sharedStrings().programFolder + u'/' + helpFileName());
        return true;
    case CmdRunUpdater:
        m_opener.runProgram(QFileInfo(sharedStrings().executableFile).absolutePath() + u"/vtupdate"_s);
        return true;
    case CmdRunLinkLibrary:
        runLinkLibrary();
        return true;
    default:
        return false;
    }
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
