#include "envelopes/EnvelopeSetupList.h"

#include <QDir>
#include <QFile>
#include <exception>

#include "common/Common.h"
#include "common/SystemTables.h"
#include "common/UserDialogs.h"
#include "designer/DesignFileNames.h"
#include "designobjects/DesignStream.h"
#include "store/Table.h"

namespace brindle::envelopes {

std::optional<QString> nextEnvelopeBinaryName(const QString& sysdata, store::Table& table) {
    return designer::nextBinaryName(sysdata, QStringLiteral(".E"), designer::namesInTable(table));
}

std::optional<QString> resolveEnvelopeDesign(const QString& sysdata, const QString& storedName) {
    return designer::resolveDesignFile(sysdata, storedName);
}

QString noFreeNameMessage() { return designer::noFreeNameMessage(QStringLiteral(".E")); }

QString designRemovedMessage() {
    return QStringLiteral("Envelope definition file has been removed from the sysdata directory");
}

EnvelopeButtons setEnvelopeButtons(bool hasRow) {
    EnvelopeButtons b;
    b.modify = b.clone = b.print = b.preview = b.remove = b.grid = hasRow;
    return b;
}

std::unique_ptr<store::Table> EnvelopeSetupList::openEnvelopeTable(common::UserDialogs& dialogs) {
    std::unique_ptr<store::Table> table = common::openEnvelopeTable(dialogs);
    if (!table) return nullptr;
    try {
        table->setFilter("not DELETED()");
        if (table->tagArea("DESCRIPT") > 0) table->setOrder(table->tagArea("DESCRIPT"));
        else if (!table->tags().empty()) table->setOrder(1);
        table->first();
    } catch (const std::exception& e) {
        dialogs.showError(QString::fromUtf8(e.what()));
        return nullptr;
    }
    return table;
}

EnvelopeSetupList::EnvelopeSetupList(store::Table& table, QString sysdata, common::UserDialogs& dialogs)
    : table_(table), sysdata_(std::move(sysdata)), dialogs_(dialogs) {}

QString EnvelopeSetupList::sysdataPath(const QString& name) const {
    return common::resolveIgnoringCase(sysdata_, name.trimmed());
}

QVector<EnvelopeSetupList::Row> EnvelopeSetupList::rows() {
    QVector<Row> out;
    const bool had = hasRow();
    const std::uint32_t here = table_.recNo();
    for (bool ok = table_.first(); ok && !table_.eof(); ok = table_.next())
        out.push_back({table_.recNo(), QString::fromStdString(table_.getText("DESCRIPT"))});
    if (had) table_.go(here);
    else table_.first();
    return out;
}

bool EnvelopeSetupList::hasRow() const { return table_.isOpen() && table_.hasRecord() && !table_.eof(); }

bool EnvelopeSetupList::select(std::uint32_t recno) { return table_.go(recno) && hasRow(); }

std::uint32_t EnvelopeSetupList::currentRecno() const { return hasRow() ? table_.recNo() : 0; }

EnvelopeSetup EnvelopeSetupList::current() const { return readEnvelopeSetup(table_); }

std::optional<std::uint32_t> EnvelopeSetupList::findDescription(const QString& description) {
    for (const Row& r : rows())
        if (r.description == description) return r.recno;
    return std::nullopt;
}

bool EnvelopeSetupList::namedByAnotherRow(const QString& binary, std::uint32_t except) {
    for (std::uint32_t r = 1; r <= table_.recordCount() && !binary.isEmpty(); ++r) {
        if (r == except || !table_.go(r) || table_.deleted()) continue;
        if (QString::fromStdString(table_.getText("BINARY")).trimmed().compare(binary, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool EnvelopeSetupList::deleteCurrent() {
    if (!hasRow()) return false;
    const EnvelopeSetup s = current();
    const QString description = QString::fromStdString(table_.getText("DESCRIPT"));
    if (!dialogs_.askYesNo(QStringLiteral("Delete \"%1\"?").arg(description), QStringLiteral("DELETE"))) return false;
    const std::uint32_t gone = table_.recNo();
    table_.deleteRecord();
    // A design another row still names (a copied table, a clone made by hand) stays.
    if (!namedByAnotherRow(s.binary, gone))
        if (const auto path = resolveEnvelopeDesign(sysdata_, s.binary)) QFile::remove(*path);
    table_.first();
    return true;
}

bool EnvelopeSetupList::cloneCurrent() {
    if (!hasRow()) return false;
    const QString description = QString::fromStdString(table_.getText("DESCRIPT"));
    if (!dialogs_.askYesNo(QStringLiteral("Clone \"%1\"?").arg(description), QStringLiteral("CLONE"))) return false;
    EnvelopeSetup copy = current();
    const auto source = resolveEnvelopeDesign(sysdata_, copy.binary);
    const auto name = nextEnvelopeBinaryName(sysdata_, table_);
    if (!name) {
        dialogs_.showInfo(noFreeNameMessage());
        return false;
    }
    copy.descript = (QStringLiteral("Clone of ") + description).left(kDescriptionLength);
    copy.binary = *name;
    // The design is copied first, so that a row never names a file that
    // should exist and was not made; a missing source copies nothing.
    const QString target = QDir(sysdata_).filePath(*name);
    if (source && !common::copyFileContents(*source, target)) {
        QFile::remove(target);
        dialogs_.showInfo(QStringLiteral("The envelope design could not be copied to \"%1\". Nothing was cloned.")
                              .arg(target));
        return false;
    }
    try {
        table_.append();
        if (!writeEnvelopeSetup(table_, copy, dialogs_)) {
            table_.cancel();
            QFile::remove(target);
            return false;
        }
        table_.post();
    } catch (const std::exception& e) {
        if (table_.editing() || table_.appending()) table_.cancel();
        QFile::remove(target);
        dialogs_.showInfo(
            QStringLiteral("The envelope setup could not be cloned: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
    return true;
}

bool EnvelopeSetupList::ensureDesignName(EnvelopeSetup& setup) {
    if (designer::isBareName(setup.binary)) return true;
    const auto name = nextEnvelopeBinaryName(sysdata_, table_);
    if (!name) {
        dialogs_.showInfo(noFreeNameMessage());
        return false;
    }
    setup.binary = *name;
    return true;
}

bool EnvelopeSetupList::prepareDesignFile(EnvelopeSetup& setup, std::optional<QString>& loadPath) {
    loadPath = resolveEnvelopeDesign(sysdata_, setup.binary);
    if (loadPath) return true;
    // A missing design is not reported: the designer starts empty under a new name.
    setup.binary.clear();
    return ensureDesignName(setup);
}

bool EnvelopeSetupList::commitSetup(const EnvelopeSetup& setup, bool isNew, const SaveDesign& saveDesign) {
    EnvelopeSetup s = setup;
    if (!ensureDesignName(s)) return false;
    const bool append = isNew || !hasRow();
    const QString path = sysdataPath(s.binary);
    const bool existedBefore = QFile::exists(path);
    try {
        if (append) table_.append();
        else table_.edit();
        if (!writeEnvelopeSetup(table_, s, dialogs_)) {
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
            QString message = QStringLiteral("The envelope design could not be saved to \"%1\".").arg(path);
            if (!why.isEmpty()) message += QStringLiteral(" ") + why;
            dialogs_.showInfo(message + QStringLiteral("\r\n\r\nThe envelope setup was not changed."));
            return false;
        }
        table_.post();
    } catch (const std::exception& e) {
        if (table_.editing() || table_.appending()) table_.cancel();
        if (!existedBefore) QFile::remove(path);
        dialogs_.showInfo(
            QStringLiteral("The envelope setup could not be saved: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
    return true;
}

}  // namespace brindle::envelopes
