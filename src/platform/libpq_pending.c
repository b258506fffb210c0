/* How big the record is that libpq is still receiving. libpq takes a whole
 * row into its buffer before it hands it over, so a record of several large
 * values would be held whole (and then copied into its result) before the
 * program could count its bytes. The header of the row's message says its
 * size as soon as it arrives: this reads it in libpq's input buffer, through
 * libpq's own internal header of the version the program is built with.
 *
 * The layout of libpq's connection is not a public interface: it changes
 * between major versions. So the buffer is read only when
 * - the build found the internal header of the same major version as the
 *   libpq it links (CAROTIX_LIBPQ_LAYOUT, set by CMake), and
 * - the libpq loaded at run time is of the header's major version, and
 * - the connection's socket, as the layout places it, is the one the public
 *   call reports, and the buffer's bounds are coherent.
 * Otherwise nothing is reported, and the caller judges the row once it is
 * whole, as it always does. */
#include "platform/libpq_pending.h"

#include <stddef.h>

#ifndef CAROTIX_LIBPQ_LAYOUT
#define CAROTIX_LIBPQ_LAYOUT 0
#endif

#if CAROTIX_LIBPQ_LAYOUT
#include <postgres_fe.h>

#include <libpq-int.h>
#else
#include <libpq-fe.h>
#endif

static int gPretendOtherLibrary = 0;

int CarotixPendingRowPretendOtherLibrary(int pretend)
{
    const int previous = gPretendOtherLibrary;
    gPretendOtherLibrary = pretend;
    return previous;
}

int CarotixPendingRowAvailable(void)
{
#if CAROTIX_LIBPQ_LAYOUT
    return !gPretendOtherLibrary && PQlibVersion() / 10000 == PG_VERSION_NUM / 10000;
#else
    return 0;
#endif
}

int CarotixPendingRow(const struct pg_conn* conn, long long* textBytes, int* fields)
{
#if CAROTIX_LIBPQ_LAYOUT
    const unsigned char* b;
    long long length;
    int n;
    if (!conn || !CarotixPendingRowAvailable()) return 0;
    if (conn->sock != PQsocket(conn) || !conn->inBuffer || conn->inStart < 0 || conn->inStart > conn->inEnd ||
        conn->inEnd > conn->inBufSize)
        return 0;
    if (conn->inEnd - conn->inStart < 7 || conn->inBuffer[conn->inStart] != 'D') return 0;
    b = (const unsigned char*)conn->inBuffer + conn->inStart + 1;
    length = ((long long)b[0] << 24) | ((long long)b[1] << 16) | ((long long)b[2] << 8) | b[3];
    n = (b[4] << 8) | b[5];
    /* The length counts itself, the count of fields and each field's length. */
    if (length < 6 + 4LL * n) return 0;
    *textBytes = length - 6 - 4LL * n;
    *fields = n;
    return 1;
#else
    (void)conn;
    (void)textBytes;
    (void)fields;
    return 0;
#endif
}
