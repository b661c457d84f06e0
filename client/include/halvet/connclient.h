/*
 * HalvetConnClient: the workstation's connection references and
 * connections to servers.
 *
 * A connection reference names a connection the workstation holds (to a
 * server of a tree, authenticated or not); a connection handle is one open
 * use of it, closed with CloseConn. Every call returns 0 or a negative
 * HALVET_ERR_* code unless its comment says otherwise.
 */
#ifndef HALVET_CONNCLIENT_H
#define HALVET_CONNCLIENT_H

#include "dirtypes.h"

HALVET_EXTERN_C_BEGIN

/* Opens a connection to a server. startConn: HALVET_NO_CONN (or a
 * connection whose tree resolves directory names); nameFormat
 * HALVET_NAME_FORMAT_*; openState HALVET_OPEN_*; transport
 * HALVET_TRANSPORT_ANY or HALVET_TRANSPORT_IP. -902 for an unknown server. */
HALVET_API int32_t OpenConnByName(HALVET_CONN startConn, const char* name, uint32_t nameFormat,
                                  uint32_t openState, uint32_t transport, HALVET_CONN* conn);
/* Opens a connection from a reference; openState HALVET_OPEN_*. */
HALVET_API int32_t OpenConnByRef(HALVET_CONN_REF ref, uint32_t openState, HALVET_CONN* conn);
HALVET_API int32_t CloseConn(HALVET_CONN conn);

/* The workstation's connection references one by one: *scan is 0 before the
 * first call and is advanced by each; -904 after the last. */
HALVET_API int32_t ScanConnRefs(uint32_t* scan, HALVET_CONN_REF* ref);
/* The primary connection reference of the workstation. */
HALVET_API int32_t GetPrimaryConnRef(HALVET_CONN_REF* ref);
/* The reference behind an open connection. */
HALVET_API int32_t GetConnRef(HALVET_CONN conn, HALVET_CONN_REF* ref);

/* A value of a connection by key HALVET_CONN_INFO_* (1, 4, 7, 10, 13) into
 * value of size bytes (-649 when it does not fit). */
HALVET_API int32_t GetConnInfo(HALVET_CONN conn, uint32_t key, uint32_t size, void* value);
/* A value of a connection reference by key (1, 4, 7, 13). */
HALVET_API int32_t GetConnRefInfo(HALVET_CONN_REF ref, uint32_t key, uint32_t size, void* value);

/* Makes conn the current connection of the process; GetCurrentConn gives
 * it (HALVET_NO_CONN once it is closed). */
HALVET_API int32_t MakeConnCurrent(HALVET_CONN conn);
HALVET_API int32_t GetCurrentConn(HALVET_CONN* conn);

/* Takes a full, counted connection slot of the server for conn: 0, or
 * HALVET_CONN_ALREADY_CLAIMED (34836, positive) when conn holds one. */
HALVET_API int32_t ClaimConnectionSlot(HALVET_CONN conn);
/* Gives back a slot this connection claimed (-909 when it has none). */
HALVET_API int32_t ReleaseConnectionSlot(HALVET_CONN conn);

/* The workstation's own connection number on the server behind conn. */
HALVET_API int32_t GetOwnConnNumber(HALVET_CONN conn, uint32_t* connNumber);

HALVET_EXTERN_C_END

#endif /* HALVET_CONNCLIENT_H */
