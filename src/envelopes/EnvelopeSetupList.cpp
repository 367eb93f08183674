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
    return listByDescription(common::openEnvelopeTable(dialogs), dialogs, true);
}

EnvelopeSetupList::EnvelopeSetupList(store::Table& table, QString sysdata, common::UserDialogs& dialogs)
    : DesignedSetupList(table, std::move(sysdata), dialogs, {QStringLiteral(".E"), QStringLiteral("envelope")}) {}

EnvelopeSetup EnvelopeSetupList::current() const { return readEnvelopeSetup(table_); }

bool EnvelopeSetupList::deleteCurrent() {
    if (!hasRow()) return false;
    return deleteCurrentAndDesign(currentDescription(), current().binary);
}

bool EnvelopeSetupList::cloneCurrent() {
    if (!hasRow()) return false;
    const QString description = currentDescription();
    if (!confirm(QStringLiteral("Clone"), description)) return false;
    EnvelopeSetup copy = current();
    const auto source = resolveEnvelopeDesign(sysdata(), copy.binary);
    const auto name = nextDesignName();
    if (!name) {
        dialogs_.showInfo(noFreeNameMessage());
        return false;
    }
    copy.descript = (QStringLiteral("Clone of ") + description).left(kDescriptionLength);
    copy.binary = *name;
    // The design is copied first, so that a row never names a file that
    // should exist and was not made; a missing source copies nothing.
    const QString target = QDir(sysdata()).filePath(*name);
    if (source && !common::copyFileContents(*source, target)) {
        QFile::remove(target);
        dialogs_.showInfo(QStringLiteral("The envelope design could not be copied to \"%1\". Nothing was cloned.")
                              .arg(target));
        return false;
    }
    return appendClone(target, [&] { return writeEnvelopeSetup(table_, copy, dialogs_); });
}

bool EnvelopeSetupList::prepareDesignFile(EnvelopeSetup& setup, std::optional<QString>& loadPath) {
    return DesignedSetupList::prepareDesignFile(setup.binary, loadPath);
}

bool EnvelopeSetupList::commitSetup(const EnvelopeSetup& setup, bool isNew, const SaveDesign& saveDesign) {
    EnvelopeSetup s = setup;
    if (!ensureDesignName(s.binary)) return false;
    return commitRow(s.binary, isNew || !hasRow(), [&] { return writeEnvelopeSetup(table_, s, dialogs_); },
                     saveDesign);
}

}  // namespace brindle::envelopes
