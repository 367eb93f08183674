#pragma once
// How envelopes go into the user's printer (the feed method), the printer
// they go to, and what both mean for a job: the paper asked of the printer,
// where a design lands on the page, the pre-print warning and the feed
// picture. Settings sections "Envelope Feed" and "Envelope Printer".
#include <QPageSize>
#include <QPointF>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <optional>

class QPainter;

namespace brindle::common {
class ProfileFile;
}

namespace brindle::envelopes {

enum class FeedOrientation { Portrait = 0, Landscape = 1 };
enum class FeedFacing { Up = 0, Down = 1 };
// Where the envelope sits across the printer's paper path.
enum class FeedPosition { Left = 0, Right = 1, Center = 2 };

struct EnvelopeFeed {
    FeedOrientation orientation = FeedOrientation::Landscape;
    FeedFacing facing = FeedFacing::Down;
    FeedPosition position = FeedPosition::Center;
    bool clockwise = false;  // meaningful for landscape
    bool operator==(const EnvelopeFeed&) const = default;
};

// Section "Envelope Feed": Orientation, Facing, Position, ClockWiseRotation.
// Values outside their range read as the defaults.
EnvelopeFeed readEnvelopeFeed(const common::ProfileFile& settings);
void writeEnvelopeFeed(common::ProfileFile& settings, const EnvelopeFeed& feed);  // throws SettingsWriteError

// Section "Envelope Printer": names empty when not stored (the printer's own
// then stand), orientation unset when not stored.
struct EnvelopePrinterPrefs {
    QString printer;
    QString bin;
    QString paper;
    std::optional<bool> landscape;
    bool operator==(const EnvelopePrinterPrefs&) const = default;
};
EnvelopePrinterPrefs readEnvelopePrinterPrefs(const common::ProfileFile& settings);
void writeEnvelopePrinterPrefs(common::ProfileFile& settings, const EnvelopePrinterPrefs& prefs);

// "Position: Center\r\nOrientation : Landscape\r\nFacing Down" and so on.
QString feedDescription(const EnvelopeFeed& feed);

// Where a design's top-left corner goes on a page of pageWidth x pageHeight
// inches (as printed, after the orientation) for an envelope of
// envelopeWidth x envelopeHeight: (0, 0) when the page is the envelope
// itself (tenths of an inch, truncated, agree), else by the feed method;
// never negative.
QPointF feedOffset(double pageWidth, double pageHeight, double envelopeWidth, double envelopeHeight,
                   const EnvelopeFeed& feed);

// The pre-print warning: page and envelope differ by more than an inch in
// width or height (hundredths, truncated).
bool pageSizeMismatch(double pageWidth, double pageHeight, double envelopeWidth, double envelopeHeight);
QString pageSizeWarning();

// The printer's paper for an envelope code: the platform's page size of that
// code (Envelope #10 for code 20), asked of the printer only when its queue
// lists the size; otherwise none, and the stored paper stays.
std::optional<QPageSize> envelopePageSize(int code);
template <typename Supported>
std::optional<QPageSize> envelopePaperFor(int code, const Supported& supportedSizes) {
    const std::optional<QPageSize> size = envelopePageSize(code);
    if (!size) return std::nullopt;
    for (const QPageSize& s : supportedSizes)
        if (s.id() == size->id()) return size;
    return std::nullopt;
}

// The feed picture: a sheet in `area` with a small envelope at the feed's
// position, showing its front (facing up) or back (facing down), upright for
// portrait and turned one way or the other for landscape.
struct FeedPicture {
    QRect sheet;
    QRect envelope;
    bool front = true;
    int turn = 0;  // 0 upright, 90 clockwise, -90 counter-clockwise
};
FeedPicture feedPicture(const QRect& area, const EnvelopeFeed& feed);
void paintFeedPicture(QPainter& painter, const QRect& area, const EnvelopeFeed& feed);

}  // namespace brindle::envelopes
