#include "labels/LabelSetupList.h"

#include <QDir>
#include <QFile>
#include <exception>

#include "common/Common.h"
#include "common/SystemTables.h"
#include "common/UserDialogs.h"
#include "designobjects/DesignStream.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "designer/DesignFileNames.h"
#include "store/Table.h"

namespace brindle::labels {

namespace {

const QString kFileRemoved = QStringLiteral("Label definition file has been removed from the sysdata directory");

}  // namespace

LabelButtons setLabelButtons(bool hasCurrentRow) {
    LabelButtons b;
    b.modify = b.print = b.preview = b.remove = b.clone = b.grid = b.panelsVisible = hasCurrentRow;
    return b;
}

std::unique_ptr<store::Table> LabelSetupList::openLabelTable(common::UserDialogs& dialogs) {
    return listByDescription(common::openLabelTable(dialogs), dialogs, true);
}

LabelSetupList::LabelSetupList(store::Table& table, QString sysdata, common::UserDialogs& dialogs)
    : DesignedSetupList(table, std::move(sysdata), dialogs, {QStringLiteral(".L"), QStringLiteral("label")}) {}

LabelSetup LabelSetupList::current() const {
    return hasRow() ? readLabelSetup(table_) : fallbackLabelSetup();
}

bool LabelSetupList::deleteCurrent() {
    if (!hasRow()) return false;
    return deleteCurrentAndDesign(currentDescription(),
                                  QString::fromStdString(table_.getText("BINARY")).trimmed());
}

bool LabelSetupList::cloneCurrent() {
    if (!hasRow()) return false;
    const QString description = QString::fromStdString(table_.getText("DESCRIPT"));
    if (!confirm(QStringLiteral("Clone"), description)) return false;
    LabelSetup copy = readLabelSetup(table_);
    const auto source = designer::resolveDesignFile(sysdata(), copy.binary);
    if (!source) {
        dialogs_.showInfo(kFileRemoved);
        return false;
    }
    designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
    try {
        designobjects::TKLabelObjectFiler().loadSurface(nullptr, surface, *source);
    } catch (const designobjects::DesignFileError& e) {
        dialogs_.showInfo(e.message());
        return false;
    }
    const auto name = nextDesignName();
    if (!name) {
        dialogs_.showInfo(designer::noFreeNameMessage(QStringLiteral(".L")));
        return false;
    }
    copy.descript = (QStringLiteral("Clone of :") + description).left(kDescriptionLength);
    copy.binary = *name;
    if (const QString problem = storageProblem(copy); !problem.isEmpty()) {
        dialogs_.showInfo(problem);
        return false;
    }
    // The design is written first, so that a row never names a file that was
    // not made; a row that cannot be stored takes the new file away again.
    const QString target = QDir(sysdata()).filePath(*name);
    try {
        designobjects::TKLabelObjectFiler().saveSurface(surface, target);
    } catch (const std::exception& e) {
        dialogs_.showInfo(QStringLiteral("The label design could not be saved to \"%1\": %2")
                              .arg(target, QString::fromUtf8(e.what())));
        return false;
    }
    return appendClone(target, [&] { return writeLabelSetup(table_, copy, dialogs_); });
}

bool LabelSetupList::prepareDesignFile(LabelSetup& setup, std::optional<QString>& loadPath) {
    return DesignedSetupList::prepareDesignFile(setup.binary, loadPath);
}

bool LabelSetupList::commitSetup(const LabelSetup& setup, bool isNew, const SaveDesign& saveDesign) {
    LabelSetup s = setup;
    if (!ensureDesignName(s.binary)) return false;
    if (const QString problem = storageProblem(s); !problem.isEmpty()) {
        dialogs_.showInfo(problem);
        return false;
    }
    return commitRow(s.binary, isNew || !hasRow(), [&] { return writeLabelSetup(table_, s, dialogs_); },
                     saveDesign);
}

}  // namespace brindle::labels
