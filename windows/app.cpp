#include "windows/app.h"

#include "output/sound/clip_path.h"
#include "windows/version_record.h"

#include <QStringList>

namespace {

QString recordText(std::string_view part, std::string_view key) {
    const std::string_view value = versionRecordValue(programVersionRecord(), part, key);
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

} // namespace

const AppRecord& App() {
    static const AppRecord app = [] {
        // major.minor.build.revision (the build refuses any other); the build number is not shown.
        const QStringList numbers = recordText("VS_FIXEDFILEINFO", "FileVersion").split('.');
        return AppRecord{applicationDirectory(),
                         numbers.value(0).toInt(),
                         numbers.value(1).toInt(),
                         numbers.value(3).toInt(),
                         recordText("040904B0", "ProductName"),
                         recordText("040904B0", "LegalCopyright")};
    }();
    return app;
}

QString VersionLine(const AppRecord& app) {
    return QStringLiteral("Version: %1.%2.%3").arg(app.Major).arg(app.Minor).arg(app.Revision);
}
