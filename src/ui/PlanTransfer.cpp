// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanTransfer.h"

#include "AtomicFile.h"
#include "MessageBox.h"
#include "PlanCatalogue.h"
#include "PlanEditing.h"
#include "PlanFile.h"
#include "Profile.h"
#include "RegularFile.h"
#include "SharedStrings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <utility>

using PlanCatalogue::loadPowerPlans;
using PlanEditing::checkPlanName;
using Profile::loadText;
using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

namespace PlanTransfer {

namespace {

// A plan file offers only so many problems at once; the rest follow when those are mended.
constexpr qsizetype kShownProblems = 10;

std::optional<QString> &nextFileAnswer()
{
    static std::optional<QString> answer;
    return answer;
}

enum class Dialog { Save, Open };

QString chooseFile(QWidget *owner, Dialog dialog, const QString &title, const QString &start)
{
    if (std::optional<QString> answer = std::exchange(nextFileAnswer(), std::nullopt))
        return *answer;
    const QString filter = loadText(u"IDS_PLAN_FILES"_s);
    return dialog == Dialog::Save ? QFileDialog::getSaveFileName(owner, title, start, filter)
                                  : QFileDialog::getOpenFileName(owner, title, start, filter);
}

void sayFailure(QWidget *owner, const QString &message)
{
    MessageBox::error(owner, sharedStrings().messageCaption, message);
}

QString caption(const char16_t *key)
{
    return loadText(QString::fromUtf16(key)).remove(u'&');
}

} // namespace

void exportPlan(QWidget *owner, const PowerPlatform &platform, const QUuid &plan)
{
    const Result<PlanFile> file = PlanFile::fromPlatform(platform, plan);
    if (!file)
        return sayFailure(owner, file.failure().message);
    // A name may hold a slash or other characters no file name can: those become "_".
    QString suggested = file->name();
    suggested.replace(u'/', u'_').replace(QChar(u'\0'), u'_');
    const QString path
        = chooseFile(owner, Dialog::Save, caption(u"IDS_EXPORT_PLAN"), QDir::home().filePath(suggested + u".ini"_s));
    if (path.isEmpty())
        return;
    if (const Result<> written = AtomicFile::write(path, file->toBytes()); !written)
        sayFailure(owner, written.failure().message);
}

std::optional<QUuid> importPlan(QWidget *owner, PowerPlatform &platform)
{
    const QString path = chooseFile(owner, Dialog::Open, caption(u"IDS_IMPORT_PLAN"), QDir::homePath());
    if (path.isEmpty())
        return std::nullopt;
    const Result<QByteArray> bytes = RegularFile::read(path, PlanFile::kSizeLimit + 1);
    if (!bytes) {
        sayFailure(owner, bytes.failure().message);
        return std::nullopt;
    }
    const PlanFile file = PlanFile::parse(*bytes);
    if (!file.problems().isEmpty()) {
        const QStringList lines = file.problemLines(QFileInfo(path).fileName());
        sayFailure(owner,
            loadText(u"IDS_IMPORT_ERROR"_s) + u"\n\n"_s
                + lines.first(std::min(lines.size(), kShownProblems)).join(u'\n'));
        return std::nullopt;
    }
    const Result<PowerPlanList> plans = loadPowerPlans(platform);
    if (!plans) {
        sayFailure(owner, plans.failure().message);
        return std::nullopt;
    }
    QString name = file.name();
    for (int n = 2; checkPlanName(*plans, name) == PlanNameCheck::Taken; ++n)
        name = u"%1 (%2)"_s.arg(file.name()).arg(n);
    const Result<QUuid> added = file.addTo(platform, name, false);
    if (!added) {
        sayFailure(owner, added.failure().message);
        return std::nullopt;
    }
    return *added;
}

void restoreDefaultPlans(QWidget *owner, PowerPlatform &platform)
{
    if (MessageBox::question(owner, sharedStrings().messageCaption, loadText(u"IDS_RESTORE_QUESTION"_s),
            QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    if (const Result<> restored = PlanEditing::restoreDefaultPlans(platform); !restored)
        sayFailure(owner, restored.failure().message);
}

void setNextFileAnswer(const QString &path)
{
    nextFileAnswer() = path;
}

} // namespace PlanTransfer
