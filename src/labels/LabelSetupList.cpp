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
    std::unique_ptr<store::Table> table = common::openLabelTable(dialogs);
    if (!table) return nullptr;
    try {
        table->setFilter("not DELETED()");
        if (table->tagArea("DESCRIPT") > 0) table->setOrder(table->tagArea("DESCRIPT"));
        else if (!table->tags().empty()) table->setOrder(1);
        table->first();
    } catch (const std::exception& e) {
        dialogs.showError(QString::fromStdString(e.what()));
        return nullptr;
    }
    return table;
}

LabelSetupList::LabelSetupList(store::Table& table, QString sysdata, common::UserDialogs& dialogs)
    : table_(table), sysdata_(std::move(sysdata)), dialogs_(dialogs) {}

QString LabelSetupList::sysdataPath(const QString& name) const {
    return common::resolveIgnoringCase(sysdata_, name.trimmed());
}

QVector<LabelSetupList::Row> LabelSetupList::rows() {
    QVector<Row> out;
    const bool had = table_.hasRecord();
    const std::uint32_t here = table_.recNo();
    for (bool ok = table_.first(); ok && !table_.eof(); ok = table_.next())
        out.push_back({table_.recNo(), QString::fromStdString(table_.getText("DESCRIPT"))});
    if (had) table_.go(here);
    else table_.first();
    return out;
}

bool LabelSetupList::hasRow() const { return table_.isOpen() && table_.hasRecord() && !table_.eof(); }

bool LabelSetupList::select(std::uint32_t recno) { return table_.go(recno) && hasRow(); }

std::uint32_t LabelSetupList::currentRecno() const { return hasRow() ? table_.recNo() : 0; }

LabelSetup LabelSetupList::current() const {
    return hasRow() ? readLabelSetup(table_) : fallbackLabelSetup();
}

bool LabelSetupList::deleteCurrent() {
    if (!hasRow()) return false;
    const QString description = QString::fromStdString(table_.getText("DESCRIPT"));
    if (!dialogs_.askYesNo(QStringLiteral("Delete \"%1\"?").arg(description), QStringLiteral("DELETE"))) return false;
    const QString binary = QString::fromStdString(table_.getText("BINARY")).trimmed();
    const std::uint32_t gone = table_.recNo();
    table_.deleteRecord();
    // Another row may name the same design (a copied table, a clone made by
    // hand): its file then stays.
    bool namedElsewhere = false;
    for (std::uint32_t r = 1; r <= table_.recordCount() && !binary.isEmpty(); ++r) {
        if (r == gone || !table_.go(r) || table_.deleted()) continue;
        if (QString::fromStdString(table_.getText("BINARY")).trimmed().compare(binary, Qt::CaseInsensitive) == 0) {
            namedElsewhere = true;
            break;
        }
    }
    if (!namedElsewhere)
        if (const auto path = designer::resolveDesignFile(sysdata_, binary)) QFile::remove(*path);
    table_.first();
    return true;
}

bool LabelSetupList::cloneCurrent() {
    if (!hasRow()) return false;
    const QString description = QString::fromStdString(table_.getText("DESCRIPT"));
    if (!dialogs_.askYesNo(QStringLiteral("Clone \"%1\"?").arg(description), QStringLiteral("CLONE"))) return false;
    LabelSetup copy = readLabelSetup(table_);
    const auto source = designer::resolveDesignFile(sysdata_, copy.binary);
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
    const auto name = designer::nextLabelBinaryName(sysdata_, table_);
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
    const QString target = QDir(sysdata_).filePath(*name);
    try {
        designobjects::TKLabelObjectFiler().saveSurface(surface, target);
    } catch (const std::exception& e) {
        dialogs_.showInfo(QStringLiteral("The label design could not be saved to \"%1\": %2")
                              .arg(target, QString::fromUtf8(e.what())));
        return false;
    }
    try {
        table_.append();
        if (!writeLabelSetup(table_, copy, dialogs_)) {
            table_.cancel();
            QFile::remove(target);
            return false;
        }
        table_.post();
    } catch (const std::exception& e) {
        if (table_.editing() || table_.appending()) table_.cancel();
        QFile::remove(target);
        dialogs_.showInfo(QStringLiteral("The label setup could not be cloned: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
    return true;
}

bool LabelSetupList::ensureDesignName(LabelSetup& setup) {
    if (designer::isBareName(setup.binary)) return true;
    const auto name = designer::nextLabelBinaryName(sysdata_, table_);
    if (!name) {
        dialogs_.showInfo(designer::noFreeNameMessage(QStringLiteral(".L")));
        return false;
    }
    setup.binary = *name;
    return true;
}

bool LabelSetupList::prepareDesignFile(LabelSetup& setup, std::optional<QString>& loadPath) {
    loadPath = designer::resolveDesignFile(sysdata_, setup.binary);
    if (loadPath) return true;
    // A missing design is not reported here: the designer starts empty under a new name.
    setup.binary.clear();
    return ensureDesignName(setup);
}

bool LabelSetupList::commitSetup(const LabelSetup& setup, bool isNew, const SaveDesign& saveDesign) {
    LabelSetup s = setup;
    if (!ensureDesignName(s)) return false;
    if (const QString problem = storageProblem(s); !problem.isEmpty()) {
        dialogs_.showInfo(problem);
        return false;
    }
    const bool append = isNew || !hasRow();
    const QString path = sysdataPath(s.binary);
    const bool existedBefore = QFile::exists(path);
    try {
        if (append) table_.append();
        else table_.edit();
        if (!writeLabelSetup(table_, s, dialogs_)) {
            table_.cancel();
            return false;
        }
        bool saved = false;
        QString why;
        try {
            saved = saveDesign && saveDesign(path);
        } catch (const designobjects::DesignFileError& e) {
            why = e.message();
        } catch (const std::exception& e) {
            why = QString::fromUtf8(e.what());
        }
        if (!saved) {
            table_.cancel();
            QString message = QStringLiteral("The label design could not be saved to \"%1\".").arg(path);
            if (!why.isEmpty()) message += QStringLiteral(" ") + why;
            dialogs_.showInfo(message + QStringLiteral("\r\n\r\nThe label setup was not changed."));
            return false;
        }
        table_.post();
    } catch (const std::exception& e) {
        if (table_.editing() || table_.appending()) table_.cancel();
        // A design made only for this row would otherwise be left behind.
        if (!existedBefore) QFile::remove(path);
        dialogs_.showInfo(QStringLiteral("The label setup could not be saved: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
    return true;
}

}  // namespace brindle::labels
