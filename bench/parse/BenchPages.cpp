#include "BenchPages.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray syntheticXmlPage(int page)
{
    QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed "
        "xmlns:im=\"http://itunes.apple.com/rss\" xmlns=\"http://www.w3.org/2005/Atom\" "
        "xml:lang=\"en\">\n<id>https://example.org/feed</id><title>Customer Reviews</title>"
        "<updated>2015-09-02T09:21:13-07:00</updated>\n";
    for (int i = 0; i < 50; ++i) {
        const QByteArray id = QByteArray::number(1000000 + page * 50 + i);
        xml += "\t<entry>\n\t\t<updated>2015-08-" + QByteArray::number(10 + i % 18)
            + "T01:45:00-07:00</updated>\n\t\t<id>" + id + "</id>\n\t\t<title>Review title " + id
            + "</title>\n\t\t<content type=\"text\">"
            + QByteArray("A fairly long review body. ").repeated(12)
            + "</content>\n\t\t<im:contentType term=\"Application\" label=\"App\"/>\n"
              "\t\t<im:voteSum>1</im:voteSum>\n\t\t<im:voteCount>2</im:voteCount>\n"
              "\t\t<im:rating>4</im:rating>\n\t\t<im:version>3.4</im:version>\n"
              "\t\t<author><name>Reviewer "
            + id + "</name><uri>https://example.org/reviews/id" + id
            + "</uri></author>\n\t\t<content type=\"html\">&lt;table&gt;&lt;tr&gt;&lt;td&gt;"
            + QByteArray("body &amp; more ").repeated(20)
            + "&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;</content>\n" + "\t</entry>\n";
    }
    return xml + "</feed>\n";
}

QByteArray syntheticJsonPage(int page)
{
    QByteArray json = "{\"feed\":{\"author\":{\"name\":{\"label\":\"Store\"}}, \"entry\":[\n";
    for (int i = 0; i < 50; ++i) {
        const QByteArray id = QByteArray::number(1000000 + page * 50 + i);
        json += QByteArray(i ? ", " : "")
            + "{\"author\":{\"uri\":{\"label\":\"https://example.org/r/" + id
            + "\"}, \"name\":{\"label\":\"Reviewer " + id
            + "\"}, \"label\":\"\"}, \"im:version\":{\"label\":\"1.1.0\"}, "
              "\"im:rating\":{\"label\":\"5\"}, "
              "\"id\":{\"label\":\""
            + id + "\"}, \"title\":{\"label\":\"Title " + id + "\"}, \"content\":{\"label\":\""
            + QByteArray("A fairly long review body. ").repeated(12)
            + "\", \"attributes\":{\"type\":\"text\"}}, \"im:voteSum\":{\"label\":\"0\"}, "
              "\"im:contentType\":{\"attributes\":{\"term\":\"Application\", \"label\":\"App\"}}, "
              "\"im:voteCount\":{\"label\":\"0\"}, "
              "\"updated\":{\"label\":\"2021-01-30T09:25:47-07:00\"}}\n";
    }
    return json + "]}}";
}

} // namespace

BenchPages BenchPages::load()
{
    BenchPages pages;
    QString folder = qEnvironmentVariable("RK_FIXTURES");
    if (folder.isEmpty())
        folder = QStringLiteral(RK_FIXTURES_DIR);
    const QDir dir(folder);
    if (dir.exists(QStringLiteral("reviews-jp-xml-1.xml"))) {
        pages.real = true;
        pages.xml.append(readFile(dir.filePath(QStringLiteral("reviews-jp-xml-1.xml"))));
        for (const char *name : {"reviews-jp-json-1.json", "reviews-cn-json-1.json",
                 "reviews-gb-json-1.json", "reviews-us-podcast-json-1.json"})
            pages.json.append(readFile(dir.filePath(QString::fromLatin1(name))));
    } else {
        for (int page = 0; page < 4; ++page) {
            pages.xml.append(syntheticXmlPage(page));
            pages.json.append(syntheticJsonPage(page));
        }
    }
    // Review dates as the feeds write them and release dates as lookups do.
    for (int i = 0; i < 2000; ++i) {
        const int day = 1 + i % 28;
        const int month = 1 + i % 12;
        const int minute = i % 60;
        pages.dates.append(QString::asprintf(
            "20%02d-%02d-%02dT%02d:%02d:00-07:00", 10 + i % 15, month, day, i % 24, minute));
        pages.dates.append(QString::asprintf(
            "20%02d-%02d-%02dT%02d:%02d:%02dZ", 10 + i % 15, month, day, i % 24, minute, i % 60));
    }
    return pages;
}
