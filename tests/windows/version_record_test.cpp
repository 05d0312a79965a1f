// The version record travels inside the program file, where tools can read it without running
// the program, and the application record shown in the About window comes from it.

#include "windows/app.h"
#include "windows/version_record.h"

#include "output/clip_path.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The record's strings as stored, in order.
const QStringList expectedRecord{
    "VS_FIXEDFILEINFO",
    "FileVersion",
    "1.1.0.114",
    "ProductVersion",
    "1.1.0.114",
    "FileFlags",
    "0",
    "FileOS",
    "VOS__WINDOWS32",
    "FileType",
    "VFT_APP",
    "",
    "040904B0",
    "Comments",
    "Quorvel",
    "CompanyName",
    "Harrow Lane Software",
    "FileDescription",
    "Quorvel",
    "LegalCopyright",
    "© 2026 Harrow Lane",
    "LegalTrademarks",
    "Quorvel",
    "ProductName",
    "Quorvel",
    "FileVersion",
    "1.01.0114",
    "ProductVersion",
    "1.01.0114",
    "InternalName",
    "quorvel",
    "OriginalFilename",
    "quorvel.exe",
    "",
    "VarFileInfo",
    "Translation",
    "040904B0",
    "",
};

// Cuts NUL-ended strings apart; a tail without its NUL is kept as it is, to be noticed.
QStringList strings(const QByteArray& bytes) {
    QStringList list = QString::fromUtf8(bytes).split(QChar(0));
    if (list.last().isEmpty())
        list.removeLast();
    return list;
}

TEST(VersionRecord, ProgramFileCarriesEveryKeyAndTheFixedVersion) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString dump = scratch.filePath("record.bin");
    QProcess objcopy;
    objcopy.start("objcopy",
                  {"-O", "binary", "--only-section=.quorvel.version", QUORVEL_PROGRAM, dump});
    ASSERT_TRUE(objcopy.waitForFinished(30000));
    ASSERT_EQ(objcopy.exitCode(), 0) << objcopy.readAllStandardError().toStdString();
    QFile file(dump);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly))
        << "the program file has no .quorvel.version section";
    EXPECT_EQ(strings(file.readAll()).join('|').toStdString(),
              expectedRecord.join('|').toStdString());
}

TEST(VersionRecord, CompiledRecordReadsAsItsThreeParts) {
    const QList<VersionRecordPart> parts = readVersionRecord(programVersionRecord());
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0].name, "VS_FIXEDFILEINFO");
    EXPECT_EQ(parts[0].entries.size(), 5);
    EXPECT_EQ(parts[1].name, "040904B0");
    EXPECT_EQ(parts[1].entries.size(), 10);
    EXPECT_EQ(parts[1].value("LegalCopyright"), "© 2026 Harrow Lane");
    EXPECT_EQ(parts[1].value("NoSuchKey"), "");
    EXPECT_EQ(parts[2].value("Translation"), "040904B0");
}

TEST(VersionRecord, DamagedRecordYieldsOnlyItsCompleteParts) {
    using namespace std::string_view_literals;
    const auto whole = "A\0k\0v\0\0B\0x\0y\0\0"sv;
    EXPECT_EQ(readVersionRecord(whole).size(), 2);
    EXPECT_EQ(readVersionRecord(whole.substr(0, whole.size() - 1)).size(), 1); // B not closed
    EXPECT_EQ(readVersionRecord(whole.substr(0, 9)).size(), 1);                // B's key cut off
    EXPECT_EQ(readVersionRecord("A\0k\0v"sv).size(), 0);                       // no NUL after v
    EXPECT_EQ(readVersionRecord(""sv).size(), 0);
}

TEST(App, ReadsItsNumbersNameAndCopyrightFromTheRecord) {
    const AppRecord& app = App();
    EXPECT_EQ(app.Major, 1);
    EXPECT_EQ(app.Minor, 1);
    EXPECT_EQ(app.Revision, 114);
    EXPECT_EQ(app.ProductName, "Quorvel");
    EXPECT_EQ(app.LegalCopyright, "© 2026 Harrow Lane");
    EXPECT_EQ(app.Path, applicationDirectory());
    EXPECT_TRUE(QFile::exists(app.Path + "/version_record_tests"));
}

TEST(App, VersionLineWritesPlainDecimalNumbers) {
    EXPECT_EQ(VersionLine(App()), "Version: 1.1.114");
    EXPECT_EQ(VersionLine(AppRecord{"", 10, 0, 7, "", ""}), "Version: 10.0.7");
}

} // namespace
