#include "DesignPrintSupport.h"

#include <QFileInfo>
#include <stdexcept>

#include "store/CodePage.h"
#include "store/Expression.h"
#include "store/StoreError.h"
#include "store/Table.h"

namespace brindle::cli {

namespace {

// Whether two paths are one file (when both exist) or differ only in case.
bool sameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
    const QString da = QFileInfo(fa.absolutePath()).canonicalFilePath(),
                  db = QFileInfo(fb.absolutePath()).canonicalFilePath();
    return da == db && fa.fileName().compare(fb.fileName(), Qt::CaseInsensitive) == 0;
}

}  // namespace

void setAddressFilter(store::Table& t, const std::string& userFilter) {
    std::string expr;
    if (!userFilter.empty()) {
        const store::EncodedText encoded = t.codec().fromUtf8(userFilter);
        if (!encoded.lossless())
            throw store::StoreError("invalid filter \"" + userFilter + "\": \"" +
                                    store::codePointToUtf8(encoded.lost.front().codePoint) +
                                    "\" cannot be stored in the table's code page (" + t.codec().name() + ")");
        expr = encoded.text;
        std::string error;
        if (!t.testExpression(expr, &error))
            throw store::StoreError("invalid filter \"" + userFilter + "\": " + error);
    }
    if (t.fieldIndex("ISDEL") >= 0) expr = expr.empty() ? std::string("!ISDEL") : "(" + expr + ") .AND. !ISDEL";
    try {
        t.setFilter(expr);
    } catch (const store::ExprError& e) {
        throw store::StoreError("invalid filter \"" + userFilter + "\": " + e.what());
    }
}

void refuseToOverwrite(const QString& out, const std::string& outArg, const std::string& input,
                       const QStringList& more) {
    const QFileInfo in(QString::fromStdString(input));
    const QString base = in.absoluteFilePath().left(in.absoluteFilePath().size() - in.suffix().size());
    QStringList inputs{in.absoluteFilePath(), base + QStringLiteral("cdx"), base + QStringLiteral("fpt")};
    inputs << more;
    for (const QString& i : inputs)
        if (sameFile(out, i)) throw std::runtime_error("--out " + outArg + " would overwrite " + i.toStdString());
}

}  // namespace brindle::cli
