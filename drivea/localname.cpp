#include "localname.h"

#include <QDir>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t strayByteBase = 0xDC00;

bool isStrayByte(const QString &name, qsizetype i)
{
    const QChar c = name.at(i);
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF && (i == 0 || !name.at(i - 1).isHighSurrogate());
}

// The length of the UTF-8 character at the start of bytes, or 0 if none starts there.
qsizetype utf8Length(const uchar *bytes, qsizetype available)
{
    const uchar lead = bytes[0];
    qsizetype length = 0;
    char32_t lowest = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, lowest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, lowest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, lowest = 0x10000;
    if (length == 0 || length > available)
        return 0;
    char32_t code = lead & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (bytes[i] & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

} // namespace

QString fromLocalName(const QByteArray &bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = utf8Length(data + i, bytes.size() - i);
        if (length == 0) {
            name += QChar(char16_t(strayByteBase + data[i]));
            ++i;
        } else {
            name += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return name;
}

QByteArray localName(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isStrayByte(name, i))
            continue;
        bytes += QStringView(name).mid(runStart, i - runStart).toUtf8();
        if (i < name.size())
            bytes += char(name.at(i).unicode() - strayByteBase);
        runStart = i + 1;
    }
    return bytes;
}

int firstStrayByte(const QString &name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isStrayByte(name, i))
            return name.at(i).unicode() - strayByteBase;
    }
    return -1;
}

QStringList namesIn(const QString &folder)
{
    QStringList names;
    DIR *listing = ::opendir(localName(folder).constData());
    while (const dirent *entry = listing ? ::readdir(listing) : nullptr) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(fromLocalName(name));
    }
    if (listing)
        ::closedir(listing);
    return names;
}

qint64 fileSize(const QString &path)
{
    struct stat info {};
    return ::stat(localName(path).constData(), &info) == 0 ? qint64(info.st_size) : 0;
}

QString absolutePath(const QString &path)
{
    QString absolute = path;
    if (!path.startsWith(QLatin1Char('/'))) {
        char *current = ::getcwd(nullptr, 0);
        absolute = fromLocalName(current) + QLatin1Char('/') + path;
        ::free(current);
    }
    const QString clean = QDir::cleanPath(absolute);
    return path.endsWith(QLatin1Char('/')) && clean != QLatin1String("/") ? clean + QLatin1Char('/') : clean;
}

QString folderOf(const QString &path)
{
    return QFileInfo(absolutePath(path)).path();
}
