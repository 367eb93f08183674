#include "designer/DesignedSetupList.h"

#include <QFile>
#include <exception>

#include "common/Common.h"
#include "common/UserDialogs.h"
#include "designer/DesignFileNames.h"
#include "designobjects/DesignStream.h"
#include "store/Table.h"

namespace brindle::designer {

namespace {

QString what(const std::exception& e) { return QString::fromUtf8(e.what()); }

}  // namespace

DesignedSetupList::DesignedSetupList(store::Table& table, QString sysdata, common::UserDialogs& dialogs,
                                     DesignKind kind)
    : DescriptionList(table, dialogs), sysdata_(std::move(sysdata)), kind_(std::move(kind)) {}

QString DesignedSetupList::sysdataPath(const QString& name) const {
    return common::resolveIgnoringCase(sysdata_, name.trimmed());
}

std::optional<QString> DesignedSetupList::nextDesignName() {
    return nextBinaryName(sysdata_, kind_.extension, namesInTable(table_));
}

bool DesignedSetupList::namedByAnotherRow(const QString& binary, std::uint32_t except) {
    for (std::uint32_t r = 1; r <= table_.recordCount() && !binary.isEmpty(); ++r) {
        if (r == except || !table_.go(r) || table_.deleted()) continue;
        if (QString::fromStdString(table_.getText("BINARY")).trimmed().compare(binary, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool DesignedSetupList::deleteCurrentAndDesign(const QString& description, const QString& binary) {
    if (!confirm(QStringLiteral("Delete"), description)) return false;
    const std::uint32_t gone = table_.recNo();
    table_.deleteRecord();
    // A design another row still names (a copied table, a clone made by hand) stays.
    if (!namedByAnotherRow(binary, gone))
        if (const auto path = resolveDesignFile(sysdata_, binary)) QFile::remove(*path);
    table_.first();
    return true;
}

bool DesignedSetupList::ensureDesignName(QString& binary) {
    if (isBareName(binary)) return true;
    const auto name = nextDesignName();
    if (!name) {
        dialogs_.showInfo(noFreeNameMessage(kind_.extension));
        return false;
    }
    binary = *name;
    return true;
}

bool DesignedSetupList::prepareDesignFile(QString& binary, std::optional<QString>& loadPath) {
    loadPath = resolveDesignFile(sysdata_, binary);
    if (loadPath) return true;
    binary.clear();
    return ensureDesignName(binary);
}

bool DesignedSetupList::commitRow(const QString& binary, bool append, const WriteRow& write,
                                  const SaveDesign& saveDesign) {
    const QString path = sysdataPath(binary);
    const bool existedBefore = QFile::exists(path);
    try {
        if (append) table_.append();
        else table_.edit();
        if (!write()) {
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
            why = what(e);
        }
        if (!saved) {
            table_.cancel();
            QString message = QStringLiteral("The %1 design could not be saved to \"%2\".").arg(kind_.noun, path);
            if (!why.isEmpty()) message += QStringLiteral(" ") + why;
            dialogs_.showInfo(message + QStringLiteral("\r\n\r\nThe %1 setup was not changed.").arg(kind_.noun));
            return false;
        }
        table_.post();
    } catch (const std::exception& e) {
        if (table_.editing() || table_.appending()) table_.cancel();
        // A design made only for this row would otherwise be left behind.
        if (!existedBefore) QFile::remove(path);
        dialogs_.showInfo(QStringLiteral("The %1 setup could not be saved: %2").arg(kind_.noun, what(e)));
        return false;
    }
    return true;
}

bool DesignedSetupList::appendClone(const QString& target, const WriteRow& write) {
    try {
        table_.append();
        if (!write()) {
            table_.cancel();
            QFile::remove(target);
            return false;
        }
        table_.post();
    } catch (const std::exception& e) {
        if (table_.editing() || table_.appending()) table_.cancel();
        QFile::remove(target);
        dialogs_.showInfo(QStringLiteral("The %1 setup could not be cloned: %2").arg(kind_.noun, what(e)));
        return false;
    }
    return true;
}

}  // namespace brindle::designer
