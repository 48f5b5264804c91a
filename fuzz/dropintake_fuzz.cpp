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

    MemoryGroupList group;
    group.AddItem(QStringLiteral("/earlier.sty"));
    appendDroppedFiles(group, both);
    FUZZ_CHECK(group.List(0) == QLatin1String("/earlier.sty"));
    int next = 1;
    for (const QString &file : files) {
        if (QFileInfo(file).isDir())
            continue;
        while (next < group.ListCount() && group.List(next) != file)
            ++next;
        FUZZ_CHECK(next++ < group.ListCount());
    }
    for (int i = 1; i < group.ListCount(); ++i)
        FUZZ_CHECK(!QFileInfo(group.List(i)).isDir());
    return 0;
}
