#include "windows/app.h"

#include "output/sound/clip_path.h"
#include "windows/version_record.h"

#include <QStringList>

namespace {

QString recordText(std::string_view part, std::string_view key) {
    const std::string_view value = versionRecordValue(programVersionRecord(), part, key);
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

AppRecord readApp() {
    AppRecord app;
    app.Path = applicationDirectory();
    // major.minor.build.revision, four numbers for certain: the build refuses any other record.
    // The third number plays no part in what the user sees.
    const QStringList numbers = recordText("VS_FIXEDFILEINFO", "FileVersion").split('.');
    app.Major = numbers.value(0).toInt();
    app.Minor = numbers.value(1).toInt();
    app.Revision = numbers.value(3).toInt();
    app.ProductName = recordText("040904B0", "ProductName");
    app.LegalCopyright = recordText("040904B0", "LegalCopyright");
    return app;
}

} // namespace

const AppRecord& App() {
    static const AppRecord app = readApp();
    return app;
}

QString VersionLine(const AppRecord& app) {
    return QStringLiteral("Version: %1.%2.%3").arg(app.Major).arg(app.Minor).arg(app.Revision);
}
