// The envelope arithmetic: sizes, feed offsets, the pre-print warning, the
// paper asked of the printer, the feed settings, the postal template and the
// designer's zoom steps.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/ProfileFile.h"
#include "envelopes/EnvelopeDesignRules.h"
#include "envelopes/EnvelopeFeed.h"
#include "envelopes/EnvelopeSetup.h"

using namespace brindle;
using namespace brindle::envelopes;

namespace {

EnvelopeFeed feedOf(FeedOrientation o, FeedFacing f, FeedPosition p, bool clockwise = false) {
    return {o, f, p, clockwise};
}

}  // namespace

TEST(EnvelopeSizes, ListEntriesAndCodesInOrder) {
    const auto& e = envelopeSizeEntries();
    ASSERT_EQ(e.size(), 16);
    const int codes[] = {19, 20, 21, 22, 23, 27, 28, 30, 31, 32, 33, 34, 35, 36, 37, 38};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(e[i].code, codes[i]);
        EXPECT_TRUE(isEnvelopeCode(codes[i])) << codes[i];
    }
    // Doubled blanks and the C5 entry's trailing blank are part of the texts.
    EXPECT_EQ(e[6].text, "Envelope C5 162 x 229 mm ");
    EXPECT_EQ(e[7].text, "Envelope C4  229 x 324 mm");
    EXPECT_EQ(e[15].text, "6 3/4 Envelope 3 5/8 x 6 1/2 inches");
    EXPECT_EQ(envelopeSizeIndex(27), 5);
    EXPECT_EQ(envelopeSizeIndex(24), 0);  // unknown: the first entry
    EXPECT_FALSE(isEnvelopeCode(24));
    EXPECT_EQ(fallbackEnvelopeSetup(), (EnvelopeSetup{QStringLiteral("Envelope #10"), 20, QString()}));
    // Surfaces are width (long side) x height: DL 8.8 x 4.4; B6 taller than wide.
    EXPECT_EQ(envelopeSurfaceSize(27), QSize(845, 422));
    EXPECT_EQ(envelopeSurfaceSize(35), QSize(480, 676));
    EXPECT_TRUE(envelopeSurfaceSize(99).isEmpty());
}

TEST(EnvelopeFeedOffset, EveryFeedForEnvelope10OnLetter) {
    using O = FeedOrientation;
    using F = FeedFacing;
    using P = FeedPosition;
    struct Case {
        EnvelopeFeed feed;
        double x, y;
    };
    // Landscape letter page 11 x 8.5 for a 9.5 x 4.125 envelope: 1.5 and 4.375 to spare.
    const Case landscape[] = {
        {feedOf(O::Landscape, F::Up, P::Center), 1.5, 2.1875},
        {feedOf(O::Landscape, F::Up, P::Center, true), 0, 2.1875},
        {feedOf(O::Landscape, F::Up, P::Left), 1.5, 0},
        {feedOf(O::Landscape, F::Up, P::Right), 1.5, 4.375},
        {feedOf(O::Landscape, F::Down, P::Left), 1.5, 4.375},
        {feedOf(O::Landscape, F::Down, P::Right, true), 0, 0},
        {feedOf(O::Landscape, F::Down, P::Center), 1.5, 2.1875},
    };
    for (const Case& c : landscape) {
        const QPointF at = feedOffset(11, 8.5, 9.5, 4.125, c.feed);
        EXPECT_DOUBLE_EQ(at.x(), c.x) << feedDescription(c.feed).toStdString();
        EXPECT_DOUBLE_EQ(at.y(), c.y) << feedDescription(c.feed).toStdString();
    }
    // Portrait: the envelope is wider than the page, so x is 0 whatever the position.
    for (P p : {P::Left, P::Right, P::Center})
        for (F f : {F::Up, F::Down}) EXPECT_EQ(feedOffset(8.5, 11, 9.5, 4.125, feedOf(O::Portrait, f, p)), QPointF(0, 0));
    // A Monarch envelope (7.5 wide) in portrait has an inch to spare.
    EXPECT_EQ(feedOffset(8.5, 11, 7.5, 3.875, feedOf(O::Portrait, F::Up, P::Right)), QPointF(1, 0));
    EXPECT_EQ(feedOffset(8.5, 11, 7.5, 3.875, feedOf(O::Portrait, F::Down, P::Left)), QPointF(1, 0));
    EXPECT_EQ(feedOffset(8.5, 11, 7.5, 3.875, feedOf(O::Portrait, F::Down, P::Center)), QPointF(0.5, 0));
    // The page is the envelope itself (a printer reporting 9.5 x 4.1): no offset.
    EXPECT_EQ(feedOffset(9.5, 4.1, 9.5, 4.125, feedOf(O::Landscape, F::Up, P::Center)), QPointF(0, 0));
}

TEST(EnvelopeFeedOffset, WarningAndDescription) {
    // #10 on Letter portrait: the heights differ by far more than an inch.
    EXPECT_TRUE(pageSizeMismatch(8.5, 11, 9.5, 4.125));
    EXPECT_FALSE(pageSizeMismatch(9.5, 4.125, 9.5, 4.125));
    EXPECT_FALSE(pageSizeMismatch(8.5, 5.125, 9.5, 4.125));  // exactly one inch each way is no warning
    EXPECT_EQ(feedDescription(EnvelopeFeed{}), "Position: Center\r\nOrientation : Landscape\r\nFacing Down");
    EXPECT_EQ(feedDescription(feedOf(FeedOrientation::Portrait, FeedFacing::Up, FeedPosition::Left, true)),
              "Position: Left\r\nOrientation : Portrait\r\nClockwise Rotation\r\nFacing Up");
}

TEST(EnvelopeSettings, DefaultsRoundTripAndDamagedValues) {
    QTemporaryDir dir;
    common::ProfileFile settings(dir.filePath(QStringLiteral("BRINDL.ini")));
    EXPECT_EQ(readEnvelopeFeed(settings), EnvelopeFeed{});
    EXPECT_EQ(EnvelopeFeed{}, feedOf(FeedOrientation::Landscape, FeedFacing::Down, FeedPosition::Center, false));
    EXPECT_EQ(readEnvelopePrinterPrefs(settings), EnvelopePrinterPrefs{});

    const EnvelopeFeed feed = feedOf(FeedOrientation::Portrait, FeedFacing::Up, FeedPosition::Right, true);
    writeEnvelopeFeed(settings, feed);
    const EnvelopePrinterPrefs prefs{QString::fromUtf8("Bürodrucker on cups"), QStringLiteral("Manual"),
                                     QStringLiteral("Envelope #10"), true};
    writeEnvelopePrinterPrefs(settings, prefs);
    const common::ProfileFile again(settings.path());
    EXPECT_EQ(readEnvelopeFeed(again), feed);
    EXPECT_EQ(readEnvelopePrinterPrefs(again), prefs);
    EXPECT_EQ(again.readString(QStringLiteral("Envelope Feed"), QStringLiteral("Position")), "1");

    settings.writeInt(QStringLiteral("Envelope Feed"), QStringLiteral("Position"), 7);
    settings.writeInt(QStringLiteral("Envelope Feed"), QStringLiteral("Facing"), -1);
    EXPECT_EQ(readEnvelopeFeed(settings).position, FeedPosition::Center);
    EXPECT_EQ(readEnvelopeFeed(settings).facing, FeedFacing::Down);
}

TEST(EnvelopePaper, PlatformSizeAskedOnlyWhenTheQueueListsIt) {
    const auto ten = envelopePageSize(20);
    ASSERT_TRUE(ten);
    EXPECT_EQ(ten->id(), QPageSize::Envelope10);
    EXPECT_EQ(QSizeF(ten->sizePoints()) / 72.0, QSizeF(4.125, 9.5));
    EXPECT_EQ(envelopePageSize(27)->id(), QPageSize::EnvelopeDL);
    EXPECT_FALSE(envelopePageSize(99));
    const QList<QPageSize> office{QPageSize(QPageSize::Letter), QPageSize(QPageSize::A4)};
    EXPECT_FALSE(envelopePaperFor(20, office));
    QList<QPageSize> withEnvelopes = office;
    withEnvelopes << QPageSize(QPageSize::EnvelopeDL) << QPageSize(QPageSize::Envelope10);
    EXPECT_EQ(envelopePaperFor(20, withEnvelopes)->id(), QPageSize::Envelope10);
    EXPECT_FALSE(envelopePaperFor(37, withEnvelopes));
}

TEST(EnvelopeTemplate, UspsBoxesForEnvelope10And14) {
    const QSize ten = envelopeSurfaceSize(20);
    ASSERT_EQ(ten, QSize(912, 396));
    const auto boxes = uspsTemplate(ten, ten, 1.0f);
    ASSERT_EQ(boxes.size(), 4);
    const auto rect = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r, b)); };
    EXPECT_EQ(boxes[0].caption, "[Return Address Area]");
    EXPECT_EQ(boxes[0].box, rect(1, 1, 456, 132));
    EXPECT_EQ(boxes[0].captionAt, QPoint(3, 3));
    EXPECT_EQ(boxes[1].caption, "[Address Area]");
    EXPECT_EQ(boxes[1].box, rect(48, 132, 864, 336));  // half an inch from the left edge
    EXPECT_EQ(boxes[1].captionAt, QPoint(50, 134));
    EXPECT_EQ(boxes[2].caption, "[Barcode Clear Zone]");
    EXPECT_EQ(boxes[2].box, rect(528, 336, 864, 395));
    EXPECT_EQ(boxes[3].caption, "[FIM Area]");
    EXPECT_EQ(boxes[3].box, rect(624, 1, 720, 60));
    EXPECT_EQ(boxes[3].captionAt, QPoint(626, 3));
    // An 11.5-inch envelope keeps the address area 9.75 inches from its right edge.
    const QSize fourteen = envelopeSurfaceSize(23);
    const auto long14 = uspsTemplate(fourteen, fourteen, 1.0f);
    EXPECT_EQ(fourteen.width() - long14[1].box.left(), 936);
    // At 50 % every length halves with the surface.
    const auto half = uspsTemplate(ten / 2, ten, 0.5f);
    EXPECT_EQ(half[1].box, rect(24, 66, 432, 168));
}

TEST(EnvelopeZoom, StepsStopAt140And60) {
    QStringList up, down;
    float z = 1.0f;
    for (int i = 0; i < 6; ++i) up << zoomCaption(z = zoomUp(z));
    EXPECT_EQ(up, (QStringList{"110%", "120%", "130%", "140%", "140%", "140%"}));
    EXPECT_GT(static_cast<double>(z), 1.4);
    z = 1.0f;
    for (int i = 0; i < 6; ++i) down << zoomCaption(z = zoomDown(z));
    EXPECT_EQ(down, (QStringList{"90%", "80%", "70%", "60%", "60%", "60%"}));
    EXPECT_LT(static_cast<double>(z), 0.6);
}

TEST(EnvelopeFeedPicture, EnvelopeSitsWhereTheFeedPutsIt) {
    const QRect area(0, 0, 200, 220);
    const FeedPicture left = feedPicture(area, feedOf(FeedOrientation::Portrait, FeedFacing::Up, FeedPosition::Left));
    EXPECT_EQ(left.envelope.left(), left.sheet.left() + 2);
    EXPECT_EQ(left.envelope.top(), left.sheet.top() + 2);
    EXPECT_GT(left.envelope.width(), left.envelope.height());  // upright
    EXPECT_TRUE(left.front);
    EXPECT_EQ(left.turn, 0);
    const FeedPicture right = feedPicture(area, feedOf(FeedOrientation::Landscape, FeedFacing::Down, FeedPosition::Right, true));
    EXPECT_EQ(right.envelope.left(), right.sheet.left() + right.sheet.width() - right.envelope.width() - 2);
    EXPECT_LT(right.envelope.width(), right.envelope.height());  // turned
    EXPECT_FALSE(right.front);
    EXPECT_EQ(right.turn, 90);
    const FeedPicture centre = feedPicture(area, EnvelopeFeed{});
    EXPECT_EQ(centre.envelope.left() - centre.sheet.left(), (centre.sheet.width() - centre.envelope.width()) / 2);
    EXPECT_EQ(centre.turn, -90);
}
