#include "xlsxpackage.h"

#include <QUrl>

#include <cstring>

namespace rz::ooxml {

QString damaged(const QString &part) { return QStringLiteral("ブックの %1 が壊れています").arg(part); }
QString tooLarge(const QString &part) { return QStringLiteral("ブックの %1 が大きすぎます").arg(part); }
QString badRef(const QString &ref) { return QStringLiteral("セル番地 %1 はワークシートの範囲外です").arg(ref); }
[[noreturn]] void fail(XlsxError::Kind kind, const QString &reason) { throw XlsxError(kind, reason); }

const char *localName(const char *name)
{
    const char *colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}
bool is(pugi::xml_node n, const char *name)
{
    return n.type() == pugi::node_element && std::strcmp(localName(n.name()), name) == 0;
}
pugi::xml_node child(pugi::xml_node n, const char *name)
{
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (is(c, name))
            return c;
    return {};
}
pugi::xml_attribute attr(pugi::xml_node n, const char *name)
{
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(localName(a.name()), name) == 0)
            return a;
    return {};
}
QString str(const char *s) { return QString::fromUtf8(s); }
QString attrText(pugi::xml_node n, const char *name) { return str(attr(n, name).value()); }

bool isEscape(const QString &s, qsizetype i)
{
    if (i + 6 >= s.size() || s[i] != u'_' || s[i + 1] != u'x' || s[i + 6] != u'_')
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k) {
        const char16_t c = s[k].unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    }
    return true;
}

std::string serialized(const pugi::xml_document &doc)
{
    struct Writer : pugi::xml_writer {
        std::string out;
        void write(const void *data, size_t size) override { out.append(static_cast<const char *>(data), size); }
    } w;
    doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(w.out);
}

QString folderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}
QString resolvePart(const QString &from, const QString &target)
{
    const QString t = QUrl::fromPercentEncoding(target.toUtf8());
    QStringList out;
    for (const QString &seg : (t.startsWith(u'/') ? t.mid(1) : folderOf(from) + t).split(u'/')) {
        if (seg == QLatin1String(".."))  {
            if (out.isEmpty())
                return QString();
            out.removeLast();
        } else if (!seg.isEmpty() && seg != QLatin1String(".")) {
            out << seg;
        }
    }
    return out.join(u'/');
}
QString relsOf(const QString &part)
{
    return folderOf(part) + QStringLiteral("_rels/") + part.mid(folderOf(part).size()) + QStringLiteral(".rels");
}

}  // namespace rz::ooxml
