#pragma once
// An envelope setup: a named design for one standard envelope size, the
// working copy of one row of ENVELOPE.DBF (DESCRIPT, NUMBER, BINARY), and
// the list of sizes the "Envelope Size" dialog offers.
#include <QSizeF>
#include <QString>
#include <QVector>

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::envelopes {

// Longest description kept (the column holds 60, the edit takes 60).
inline constexpr int kDescriptionLength = 50;
inline constexpr int kDescriptionEditLength = 60;
// Envelope #10, what stands in for a missing row or an unknown code.
inline constexpr int kEnvelope10 = 20;

// One entry of the "Envelope Size" list: its text exactly as shown, and the
// printer's envelope paper code it stands for.
struct EnvelopeSizeEntry {
    QString text;
    int code = 0;
};
// The sixteen entries in list order.
const QVector<EnvelopeSizeEntry>& envelopeSizeEntries();
// The entry of a code; the first entry's index for a code the list lacks.
int envelopeSizeIndex(int code);
// Whether the size table knows the code.
bool isEnvelopeCode(int code);

struct EnvelopeSetup {
    QString descript;
    int number = kEnvelope10;  // envelope paper code
    QString binary;            // design file name in sysdata/

    // The envelope's width (long side) and height in inches; -1 for a code
    // the size table does not know.
    double width() const;
    double height() const;
    QSizeF size() const { return {width(), height()}; }
    bool operator==(const EnvelopeSetup&) const = default;
};

// "Envelope #10", code 20: the working record when the table has no row.
EnvelopeSetup fallbackEnvelopeSetup();
// "<New envelope>" for a setup New makes.
QString newEnvelopeDescription();

// The current row; the fallback when there is none.
EnvelopeSetup readEnvelopeSetup(const store::Table& table);
// DESCRIPT (first 50 characters), NUMBER and BINARY into the record being
// edited or appended. A description Windows-1252 cannot hold is refused with
// a message naming the characters; nothing is written then.
bool writeEnvelopeSetup(store::Table& table, const EnvelopeSetup& setup, common::UserDialogs& dialogs);

// A setup whose code is outside the size table gets Envelope #10 in the
// working copy, and the user is told; the row itself is not changed until
// the user saves the setup. True when the code was replaced.
bool useKnownSize(EnvelopeSetup& setup, common::UserDialogs& dialogs);
QString unknownSizeMessage(const EnvelopeSetup& setup);

}  // namespace brindle::envelopes
