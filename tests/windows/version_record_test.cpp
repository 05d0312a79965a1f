// The version record travels inside the program file, where tools can read it without running
// the program; the About window shows its numbers without padding.

#include "windows/app.h"

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

TEST(App, VersionLineWritesPlainDecimalNumbers) {
    EXPECT_EQ(VersionLine(AppRecord{10, 0, 7, "", ""}), "Version: 10.0.7");
    EXPECT_EQ(VersionLine(AppRecord{0, 65535, 1000, "", ""}), "Version: 0.65535.1000");
}

} // namespace
