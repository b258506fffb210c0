// The row libpq is receiving, read from the header of its message (see
// libpq_pending.c): 1 with the bytes of its values and its number of fields
// when a row's message has begun to arrive and not been handed over, else 0
// (also whenever libpq's internal layout cannot be trusted).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

struct pg_conn;
int CarotixPendingRow(const struct pg_conn* conn, long long* textBytes, int* fields);

// Whether the pending row can be read at all: the build had libpq's internal
// header and the libpq loaded now is of that header's major version.
int CarotixPendingRowAvailable(void);

// For tests: with `pretend` non-zero, behaves as with a libpq of another
// version (nothing is read in its buffer). Returns the previous setting.
int CarotixPendingRowPretendOtherLibrary(int pretend);

#ifdef __cplusplus
}
#endif
