// The version record travels inside the program file, where tools can read it without running
// the program, and the application record shown in the About window comes from it.

#include "windows/app.h"
#include "windows/version_record.h"

#include "output/sound/clip_path.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

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

using namespace std::string_view_literals;

struct Lookup {
    const char* name;
    std::string_view record;
    std::string_view part, key, value;
};

class VersionRecordLookup : public testing::TestWithParam<Lookup> {};

TEST_P(VersionRecordLookup, FindsValuesOnlyInClosedParts) {
    const Lookup& row = GetParam();
    EXPECT_EQ(versionRecordValue(row.record, row.part, row.key), row.value);
}

constexpr auto twoParts = "A\0k\0v\0\0B\0x\0y\0\0"sv;

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionRecordLookup,
    testing::Values(Lookup{"FirstPart", twoParts, "A", "k", "v"},
                    Lookup{"SecondPart", twoParts, "B", "x", "y"},
                    Lookup{"KeyOfAnotherPart", twoParts, "A", "x", ""},
                    Lookup{"ValueIsNotAKey", twoParts, "A", "v", ""},
                    Lookup{"LastPartNotClosed", twoParts.substr(0, twoParts.size() - 1), "B", "x",
                           ""},
                    Lookup{"ClosedPartBeforeACutOne", twoParts.substr(0, 9), "A", "k", "v"},
                    Lookup{"KeyWithoutItsValue", twoParts.substr(0, 11), "B", "x", ""},
                    Lookup{"NoNulAfterTheValue", "A\0k\0v"sv, "A", "k", ""},
                    Lookup{"Empty", ""sv, "A", "k", ""},
                    Lookup{"CompiledCopyright", programVersionRecord(), "040904B0",
                           "LegalCopyright", "© 2026 Harrow Lane"},
                    Lookup{"CompiledTranslation", programVersionRecord(), "VarFileInfo",
                           "Translation", "040904B0"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Completeness {
    const char* name;
    std::string record;
    bool complete;
};

class VersionRecordCompleteness : public testing::TestWithParam<Completeness> {};

// The build refuses a record that fails this check; each row is a fault that an edit of the
// record's template or of the project's version could bring in.
TEST_P(VersionRecordCompleteness, NeedsFourNumbersANameAndACopyright) {
    EXPECT_EQ(isCompleteVersionRecord(GetParam().record), GetParam().complete);
}

using namespace std::string_literals;

std::string fixedPart(const std::string& version) {
    return "VS_FIXEDFILEINFO\0FileVersion\0"s + version + "\0\0"s;
}

const std::string stringTable = "040904B0\0ProductName\0Quorvel\0LegalCopyright\0(c) H\0\0"s;

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionRecordCompleteness,
    testing::Values(
        Completeness{"Compiled", std::string(programVersionRecord()), true},
        Completeness{"Minimal", fixedPart("1.1.0.114") + stringTable, true},
        Completeness{"ThreeNumbers", fixedPart("1.1.114") + stringTable, false},
        Completeness{"FiveNumbers", fixedPart("1.1.0.114.1") + stringTable, false},
        Completeness{"EmptyNumber", fixedPart("1..0.114") + stringTable, false},
        Completeness{"NotANumber", fixedPart("1.1.0.1a4") + stringTable, false},
        Completeness{"Beyond16Bits", fixedPart("1.1.0.65536") + stringTable, false},
        Completeness{"NoStringTable", fixedPart("1.1.0.114"), false},
        Completeness{"NoCopyright", fixedPart("1.1.0.114") + "040904B0\0ProductName\0Q\0\0"s,
                     false},
        Completeness{"StringTableCutShort",
                     fixedPart("1.1.0.114") + stringTable.substr(0, stringTable.size() - 1), false},
        Completeness{"Empty", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

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
    EXPECT_EQ(VersionLine(AppRecord{"", 0, 65535, 1000, "", ""}), "Version: 0.65535.1000");
}

} // namespace
