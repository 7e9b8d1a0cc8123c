#pragma once
// Shared helpers of the tests: image files in a temporary folder, layouts as rows,
// and suites run over both file layers.

#include "ImageMaker.h"
#include "ScriptedFileOps.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <string>

namespace fixtures {

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
