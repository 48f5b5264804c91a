// Any exit code and messages of a failed mtools call: the copy fails with one of the
// codes the copy run tells apart, in words the user can read, and blanks around the
// messages change nothing.

#include "fuzzcheck.h"
#include "mtools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int exitCode = data[0];
    const QString errors = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString image = QStringLiteral("/home/user/styles.img");

    const CopyOutcome outcome = mtoolsFailure(image, exitCode, errors);
    FUZZ_CHECK(outcome.code == DiskFull || outcome.code == DriveNotReady || outcome.code == OtherFailure);
    FUZZ_CHECK(!outcome.reason.trimmed().isEmpty());
    FUZZ_CHECK(outcome.source.isEmpty());

    const CopyOutcome padded = mtoolsFailure(image, exitCode, QStringLiteral(" \n") + errors + QStringLiteral("\n "));
    FUZZ_CHECK(padded.code == outcome.code && padded.reason == outcome.reason);
    return 0;
}
