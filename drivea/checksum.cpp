#include "checksum.h"

#include <new>

// Inlined, XXH3 is built with the vector instructions this build may use.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

XXH3_state_t *xxh3(void *state)
{
    return static_cast<XXH3_state_t *>(state);
}

QByteArray canonical(XXH128_hash_t hash)
{
    XXH128_canonical_t bytes;
    XXH128_canonicalFromHash(&bytes, hash);
    return QByteArray(reinterpret_cast<const char *>(bytes.digest), sizeof bytes.digest);
}

} // namespace

Checksum::Checksum()
    : state(XXH3_createState())
{
    if (!state || XXH3_128bits_reset(xxh3(state)) != XXH_OK)
        throw std::bad_alloc();
}

Checksum::~Checksum()
{
    XXH3_freeState(xxh3(state));
}

void Checksum::add(const char *bytes, qsizetype size)
{
    XXH3_128bits_update(xxh3(state), bytes, size_t(size));
}

QByteArray Checksum::result() const
{
    return canonical(XXH3_128bits_digest(xxh3(state)));
}

QByteArray checksumOf(const QByteArray &bytes)
{
    return canonical(XXH3_128bits(bytes.constData(), size_t(bytes.size())));
}
