// SPDX-License-Identifier: MIT
#include "manifestline.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {

constexpr int kVersion = 1;

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

// JSON numbers are doubles: whole numbers up to 2^53 are exact, far beyond
// any message size.
bool isCount(const QJsonValue &value)
{
    return value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= 9007199254740992.0 &&
           value.toDouble() == double(qint64(value.toDouble()));
}

bool isHexDigest(const QString &text)
{
    if (text.size() != 64)
        return false;
    for (const QChar c : text) {
        if (!(c.isDigit() || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

} // namespace

QByteArray ManifestLine::toJson() const
{
    QJsonObject object;
    switch (kind) {
    case Kind::Run:
        object = {{QStringLiteral("kind"), QStringLiteral("run")},
                  {QStringLiteral("version"), kVersion},
                  {QStringLiteral("destination"), path}};
        break;
    case Kind::Folder:
        object = {{QStringLiteral("kind"), QStringLiteral("folder")},
                  {QStringLiteral("path"), path}};
        break;
    case Kind::Message:
        object = {
            {QStringLiteral("kind"), QStringLiteral("message")},
            {QStringLiteral("source"), source},
            {QStringLiteral("message"),
             message > 0 ? QJsonValue(message) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("target"), textOrNull(path)},
            {QStringLiteral("status"), status},
            {QStringLiteral("reason"), textOrNull(reason)},
            {QStringLiteral("size"), size >= 0 ? QJsonValue(size) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("sha256"), textOrNull(QString::fromLatin1(sha256))},
        };
        break;
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

Outcome<ManifestLine> ManifestLine::parse(const QByteArray &text)
{
    const auto fail = [](const QString &reason) { return Outcome<ManifestLine>::failure(reason); };
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return fail(QStringLiteral("not JSON (%1)").arg(error.errorString()));
    if (!document.isObject())
        return fail(QStringLiteral("not a JSON object"));
    const QJsonObject object = document.object();
    const auto textField = [&object](const char *name, bool nullable) -> std::optional<QString> {
        const QJsonValue value = object.value(QLatin1String(name));
        if (value.isString() && !value.toString().isEmpty())
            return value.toString();
        if (nullable && value.isNull())
            return QString();
        return std::nullopt;
    };
    const auto missing = [&fail](const char *name) {
        return fail(QStringLiteral("the field \"%1\" is missing or not as expected")
                        .arg(QLatin1String(name)));
    };

    ManifestLine line;
    const QString kind = object.value(QLatin1String("kind")).toString();
    if (kind == QLatin1String("run")) {
        if (object.value(QLatin1String("version")).toInt() != kVersion)
            return fail(QStringLiteral("a manifest of another version"));
        const std::optional<QString> destination = textField("destination", false);
        if (!destination)
            return missing("destination");
        line.kind = Kind::Run;
        line.path = *destination;
        return Outcome<ManifestLine>::success(line);
    }
    if (kind == QLatin1String("folder")) {
        const std::optional<QString> path = textField("path", false);
        if (!path || !path->startsWith(QLatin1Char('/')))
            return missing("path");
        line.kind = Kind::Folder;
        line.path = *path;
        return Outcome<ManifestLine>::success(line);
    }
    if (kind != QLatin1String("message"))
        return fail(QStringLiteral("no known \"kind\""));

    const std::optional<QString> source = textField("source", false);
    std::optional<QString> target = textField("target", true);
    const std::optional<QString> status = textField("status", false);
    const std::optional<QString> reason = textField("reason", true);
    const std::optional<QString> sha256 = textField("sha256", true);
    const QJsonValue number = object.value(QLatin1String("message"));
    const QJsonValue size = object.value(QLatin1String("size"));
    if (!source)
        return missing("source");
    // Paths are absolute as the run wrote them; a relative one would name a
    // file that depends on where the undo is run.
    if (!target || !(target->isEmpty() || target->startsWith(QLatin1Char('/'))))
        return missing("target");
    if (!status)
        return missing("status");
    if (!reason)
        return missing("reason");
    if (!(number.isNull() || (isCount(number) && number.toInt() > 0)))
        return missing("message");
    if (!(size.isNull() || isCount(size)))
        return missing("size");
    if (!sha256 || !(sha256->isEmpty() || isHexDigest(*sha256)))
        return missing("sha256");
    line.source = *source;
    line.path = *target;
    line.status = *status;
    line.reason = *reason;
    line.message = number.isNull() ? 0 : number.toInt();
    line.size = size.isNull() ? -1 : qint64(size.toDouble());
    line.sha256 = sha256->toLatin1();
    if (line.status == QLatin1String("copied") &&
        (line.path.isEmpty() || line.size < 0 || line.sha256.isEmpty()))
        return fail(QStringLiteral("a copy without its target, size or SHA-256"));
    return Outcome<ManifestLine>::success(line);
}
