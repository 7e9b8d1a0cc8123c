#pragma once
// Shared helpers of the tests: a plain StoreView and image files in a temporary folder.

#include "ImageMaker.h"
#include "ScriptedFileOps.h"
#include "StoreView.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <string>

namespace fixtures {

// A plain holder of what the store sequences read and write.
struct PlainView : store::StoreView {
    std::array<std::string, store::kSlotsPerStore> slotTexts{"0", "0", "0", "0", "0", "0", "0"};
    std::string marker = "Text8";
    int selection = store::kNoStore;
    std::string path;

    std::string slotText(int slot) const override { return slotTexts.at(slot - 1); }
    void setSlotText(int slot, const std::string& text) override { slotTexts.at(slot - 1) = text; }
    std::string markerText() const override { return marker; }
    void setMarkerText(const std::string& text) override { marker = text; }
    int storeSelection() const override { return selection; }
    std::string fileName() const override { return path; }
};

inline std::array<std::string, store::kSlotsPerStore> texts(const store::Record& record) {
    std::array<std::string, store::kSlotsPerStore> result;
    for (std::size_t i = 0; i < record.size(); ++i)
        result[i] = std::to_string(record[i]);
    return result;
}

// The two layouts of an image, as a _data() table gives them: a name for the row
// and the length of a 4 MiB image of that layout.
struct LayoutRow {
    const char* name;
    std::int64_t length;
};
inline constexpr LayoutRow kLayoutRows[] = {
    {"copier header", tools::kDemoImageLength},
    {"no header", tools::kHeaderlessImageLength},
};

// A folder that lives as long as the test object.
class Folder {
public:
    std::string path(const char* name) const {
        return dir_.filePath(QString::fromUtf8(name)).toStdString();
    }
    std::string write(const char* name, const tools::Image& image) const {
        const auto file = path(name);
        image.save(file);
        return file;
    }

private:
    QTemporaryDir dir_;
};

// The file calls a store-access suite runs over: the real ones, or the scripted
// ones with nothing scripted, which also count the descriptors left open.
struct FileOpsUnderTest {
    store::FileOps& ops;
    ScriptedFileOps* scripted = nullptr;
    int openLeft() const { return scripted ? scripted->openDescriptors() : 0; }
};

// Runs one behaviour suite over both implementations of the file calls.
template <typename Suite> int runOverBothFileOps(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    store::PosixFileOps posix;
    ScriptedFileOps scripted;
    Suite overPosix(FileOpsUnderTest{posix});
    Suite overScripted(FileOpsUnderTest{scripted, &scripted});
    const int failedOverPosix = QTest::qExec(&overPosix, argc, argv);
    const int failedOverScripted = QTest::qExec(&overScripted, argc, argv);
    return failedOverPosix + failedOverScripted;
}

} // namespace fixtures

namespace QTest {
template <> inline char* toString(const std::string& text) {
    return qstrdup(text.c_str());
}
} // namespace QTest
