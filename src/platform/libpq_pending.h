// The row libpq is receiving, read from the header of its message (see
// libpq_pending.c): 1 with the bytes of its values and its number of fields
// when a row's message has begun to arrive and not been handed over, else 0.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

struct pg_conn;
int CarotixPendingRow(const struct pg_conn* conn, long long* textBytes, int* fields);

#ifdef __cplusplus
}
#endif
