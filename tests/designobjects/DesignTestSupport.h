#pragma once
// Helpers for the design object tests: a private program folder (surfaces
// delete the clip file there when they go), byte builders for expected file
// contents and a test object class that carries one property of every kind.
#include <QByteArray>
#include <QImage>
#include <utility>
#include <vector>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "designobjects/DesignRegistry.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::designobjects::test {

class ProgramDirEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("BRINDLE_HOME", dir_->path().toUtf8());
    }
    void TearDown() override { dir_.reset(); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

// Short string: length byte and text.
inline QByteArray sstr(const char* s) {
    QByteArray b(s);
    b.prepend(char(b.size()));
    return b;
}

inline QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

// Dark runs (start, length) along row y of a rasterised page.
std::vector<std::pair<int, int>> darkRuns(const QImage& img, int y);

// One property of every kind the file format knows.
class TKTestThing : public TKGraphicControl {
    Q_OBJECT
public:
    QString designClass() const override { return QStringLiteral("TKTestThing"); }
    int count = 7;
    DesignColor tint = clWhite;
    int mode = 0;
    bool flag = false;
    int styles = 0;
    QString note;
    DesignFont font;
    DesignPen pen;
    DesignBrush brush;
    QStringList items;
    DesignPicture picture;
    int refreshed = 0;
    int loadedCalls = 0;
    void refreshData() override { ++refreshed; }
    void loaded() override { ++loadedCalls; }

    static void registerClass();
};

}  // namespace brindle::designobjects::test
