#include "DesignTestSupport.h"

namespace brindle::designobjects::test {

namespace {
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new ProgramDirEnvironment);
}

void TKTestThing::registerClass() {
    using T = TKTestThing;
    PropertyList props = {
        makeProperty<T>("Count", PropKind::Integer, 7, [](const T& o) { return qint64(o.count); },
                        [](T& o, const PropValue& v) { o.count = int(intOf(v)); }),
        makeProperty<T>("Tint", PropKind::Color, clWhite, [](const T& o) { return qint64(o.tint); },
                        [](T& o, const PropValue& v) { o.tint = DesignColor(intOf(v)); }),
        makeProperty<T>("Mode", PropKind::Enum, 0, [](const T& o) { return qint64(o.mode); },
                        [](T& o, const PropValue& v) { o.mode = int(intOf(v)); }, {"tmOne", "tmTwo", "tmThree"}),
        makeProperty<T>("Flag", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.flag); },
                        [](T& o, const PropValue& v) { o.flag = intOf(v) != 0; }),
        makeProperty<T>("Styles", PropKind::Set, 0, [](const T& o) { return qint64(o.styles); },
                        [](T& o, const PropValue& v) { o.styles = int(intOf(v)); }, {"fsBold", "fsItalic", "fsUnderline"}),
        makeProperty<T>("Note", PropKind::Text, std::nullopt, [](const T& o) { return o.note; },
                        [](T& o, const PropValue& v) { o.note = textOf(v); }),
        makeProperty<T>("Font", PropKind::Font, std::nullopt, [](const T& o) { return o.font; },
                        [](T& o, const PropValue& v) { o.font = std::get<DesignFont>(v); }),
        makeProperty<T>("Pen", PropKind::Pen, std::nullopt, [](const T& o) { return o.pen; },
                        [](T& o, const PropValue& v) { o.pen = std::get<DesignPen>(v); }),
        makeProperty<T>("Brush", PropKind::Brush, std::nullopt, [](const T& o) { return o.brush; },
                        [](T& o, const PropValue& v) { o.brush = std::get<DesignBrush>(v); }),
        makeProperty<T>("Items", PropKind::StringList, std::nullopt, [](const T& o) { return o.items; },
                        [](T& o, const PropValue& v) { o.items = std::get<QStringList>(v); }),
        makeProperty<T>("Picture", PropKind::Picture, std::nullopt, [](const T& o) { return o.picture; },
                        [](T& o, const PropValue& v) { o.picture = std::get<DesignPicture>(v); }),
    };
    registerStandardClasses();
    DesignRegistry::instance().registerClass(QStringLiteral("TKTestThing"), QStringLiteral("TKGraphicControl"),
                                             [] { return new TKTestThing; }, std::move(props));
}

std::vector<std::pair<int, int>> darkRuns(const QImage& img, int y) {
    std::vector<std::pair<int, int>> runs;
    int start = -1;
    for (int x = 0; x <= img.width(); ++x) {
        const bool dark = x < img.width() && qGray(img.pixel(x, y)) < 128;
        if (dark && start < 0) start = x;
        if (!dark && start >= 0) {
            runs.emplace_back(start, x - start);
            start = -1;
        }
    }
    return runs;
}

}  // namespace brindle::designobjects::test
