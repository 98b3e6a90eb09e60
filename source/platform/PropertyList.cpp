#include "platform/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace PropertyList {
namespace {

constexpr int MaxDepth = 64;

class Reader
{
public:
    explicit Reader(const QByteArray &xml) : xml_(xml) {}

    QVariant document(QString *errorMessage)
    {
        QVariant result;
        bool found = false;
        while (!xml_.atEnd() && !failed_) {
            xml_.readNext();
            if (!xml_.isStartElement())
                continue;
            if (xml_.name() == u"plist")
                continue;
            result = value(0);
            found = true;
            break;
        }
        if (!failed_ && xml_.hasError())
            fail(xml_.errorString());
        if (!failed_ && !found)
            fail(QStringLiteral("no value in property list"));
        if (failed_) {
            if (errorMessage)
                *errorMessage = QStringLiteral("Property list error at line %1: %2")
                                    .arg(xml_.lineNumber())
                                    .arg(message_);
            return {};
        }
        return result;
    }

private:
    // Called with the reader on a start element; leaves it on the matching end.
    QVariant value(int depth)
    {
        if (depth > MaxDepth) {
            fail(QStringLiteral("nesting too deep"));
            return {};
        }
        const QStringView name = xml_.name();
        if (name == u"dict")
            return dictionary(depth);
        if (name == u"array")
            return array(depth);
        if (name == u"true" || name == u"false") {
            const bool flag = name == u"true";
            xml_.skipCurrentElement();
            return flag;
        }
        const QString kind = name.toString();
        const QString text = xml_.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (xml_.hasError()) {
            fail(xml_.errorString());
            return {};
        }
        if (kind == u"string")
            return text;
        if (kind == u"integer") {
            bool ok = false;
            const qlonglong number = text.trimmed().toLongLong(&ok);
            if (!ok)
                fail(QStringLiteral("bad integer \"%1\"").arg(text));
            return number;
        }
        if (kind == u"real") {
            bool ok = false;
            const double number = text.trimmed().toDouble(&ok);
            if (!ok)
                fail(QStringLiteral("bad real \"%1\"").arg(text));
            return number;
        }
        if (kind == u"date") {
            QDateTime date = QDateTime::fromString(text.trimmed(), Qt::ISODate);
            if (!date.isValid())
                fail(QStringLiteral("bad date \"%1\"").arg(text));
            return date.toUTC();
        }
        if (kind == u"data")
            return QByteArray::fromBase64(text.toLatin1());
        fail(QStringLiteral("unknown element <%1>").arg(kind));
        return {};
    }

    QVariant dictionary(int depth)
    {
        QVariantMap map;
        QString key;
        bool haveKey = false;
        while (!failed_ && xml_.readNextStartElement()) {
            if (xml_.name() == u"key") {
                key = xml_.readElementText();
                haveKey = true;
                continue;
            }
            if (!haveKey) {
                fail(QStringLiteral("value without key in <dict>"));
                return {};
            }
            map.insert(key, value(depth + 1));
            haveKey = false;
        }
        if (haveKey && !failed_)
            fail(QStringLiteral("key \"%1\" without value").arg(key));
        return map;
    }

    QVariant array(int depth)
    {
        QVariantList list;
        while (!failed_ && xml_.readNextStartElement())
            list.append(value(depth + 1));
        return list;
    }

    void fail(const QString &message)
    {
        if (!failed_) {
            failed_ = true;
            message_ = message;
        }
    }

    QXmlStreamReader xml_;
    bool failed_ = false;
    QString message_;
};

void write(QXmlStreamWriter &out, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        out.writeStartElement(QStringLiteral("dict"));
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            out.writeTextElement(QStringLiteral("key"), it.key());
            write(out, it.value());
        }
        out.writeEndElement();
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        out.writeStartElement(QStringLiteral("array"));
        for (const QVariant &item : value.toList())
            write(out, item);
        out.writeEndElement();
        break;
    }
    case QMetaType::Bool:
        out.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        out.writeTextElement(QStringLiteral("integer"), QString::number(value.toLongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        out.writeTextElement(QStringLiteral("real"), QString::number(value.toDouble(), 'g', 17));
        break;
    case QMetaType::QDateTime:
        out.writeTextElement(QStringLiteral("date"),
                             value.toDateTime().toUTC().toString(Qt::ISODate));
        break;
    case QMetaType::QByteArray:
        out.writeTextElement(QStringLiteral("data"),
                             QString::fromLatin1(value.toByteArray().toBase64()));
        break;
    default:
        out.writeTextElement(QStringLiteral("string"), value.toString());
        break;
    }
}

} // namespace

QVariant parse(const QByteArray &xml, QString *errorMessage)
{
    return Reader(xml).document(errorMessage);
}

QVariant read(const QString &path, QString *errorMessage)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorMessage)
            *errorMessage = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return {};
    }
    return parse(file.readAll(), errorMessage);
}

QByteArray serialize(const QVariant &value)
{
    QByteArray bytes;
    QXmlStreamWriter out(&bytes);
    out.setAutoFormatting(true);
    out.writeStartDocument();
    out.writeDTD(QStringLiteral(
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    out.writeStartElement(QStringLiteral("plist"));
    out.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    write(out, value);
    out.writeEndElement();
    out.writeEndDocument();
    return bytes;
}

} // namespace PropertyList
