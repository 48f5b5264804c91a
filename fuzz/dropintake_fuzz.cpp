// Dropped data with any file list and any plain text: only the file list gives paths,
// each a full local path, at most one per line, and a group gets them after its entries,
// a folder's files in its place.

#include "dropintake.h"
#include "fuzzcheck.h"
#include "groupboard.h"

#include <QFileInfo>
#include <QMimeData>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The text before the first NUL is the file list, the rest the plain text.
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype end = input.indexOf('\0');
    const QByteArray uriList = end < 0 ? input : input.left(end);
    const QByteArray plainText = end < 0 ? QByteArray() : input.mid(end + 1);

    QMimeData textOnly;
    textOnly.setData(QStringLiteral("text/plain"), plainText);
    FUZZ_CHECK(droppedFiles(textOnly).isEmpty());

    QMimeData both;
    both.setData(QStringLiteral("text/uri-list"), uriList);
    both.setData(QStringLiteral("text/plain"), plainText);
    const QStringList files = droppedFiles(both);
    FUZZ_CHECK(files.size() <= uriList.count('\n') + 1);
    for (const QString &file : files)
        FUZZ_CHECK(file.startsWith(QLatin1Char('/')) && !file.contains(QChar::Null));

    const QStringList brought = filesOfDrop(both);
    int next = 0;
    for (const QString &file : files) {
        if (QFileInfo(file).isDir())
            continue;
        while (next < brought.size() && brought[next] != file)
            ++next;
        FUZZ_CHECK(next++ < brought.size());
    }
    for (const QString &file : brought)
        FUZZ_CHECK(!QFileInfo(file).isDir());
    return 0;
}
