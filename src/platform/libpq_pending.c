/* How big the record is that libpq is still receiving. libpq takes a whole
 * row into its buffer before it hands it over, so a record of several large
 * values would be held whole (and then copied into its result) before the
 * program could count its bytes. The header of the row's message says its
 * size as soon as it arrives: this reads it in libpq's input buffer, through
 * libpq's own internal header of the version the program is built with. The
 * buffer's fields are checked against what the public calls say, and
 * nothing is reported when they do not agree. */
#include <postgres_fe.h>

#include <libpq-int.h>

#include "platform/libpq_pending.h"

int CarotixPendingRow(const PGconn* conn, long long* textBytes, int* fields)
{
    const unsigned char* b;
    long long length;
    int n;
    if (!conn || conn->sock != PQsocket(conn) || !conn->inBuffer || conn->inStart < 0 ||
        conn->inStart > conn->inEnd || conn->inEnd > conn->inBufSize)
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
}
