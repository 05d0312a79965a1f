#include "windows/app.h"

#include "output/clip_path.h"
#include "windows/version_record.h"

#include <QStringList>

namespace {

const VersionRecordPart* findPart(const QList<VersionRecordPart>& parts, const QString& name) {
    for (const VersionRecordPart& part : parts)
        if (part.name == name)
            return &part;
    return nullptr;
}

AppRecord readApp() {
    AppRecord app;
    app.Path = applicationDirectory();
    const QList<VersionRecordPart> parts = readVersionRecord(programVersionRecord());
    if (const VersionRecordPart* fixed = findPart(parts, "VS_FIXEDFILEINFO")) {
        // major.minor.build.revision; the third number plays no part in what the user sees.
        const QStringList numbers = fixed->value("FileVersion").split('.');
        if (numbers.size() == 4) {
            app.Major = numbers[0].toInt();
            app.Minor = numbers[1].toInt();
            app.Revision = numbers[3].toInt();
        }
    }
    if (const VersionRecordPart* strings = findPart(parts, "040904B0")) {
        app.ProductName = strings->value("ProductName");
        app.LegalCopyright = strings->value("LegalCopyright");
    }
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
