/*
 * HalvetCallClient: calls to a server over an open connection (volumes,
 * server information, logged-in connections, broadcast messages, advertised
 * names) and the client's version. Every call returns 0 or a negative
 * HALVET_ERR_* code.
 */
#ifndef HALVET_CALLCLIENT_H
#define HALVET_CALLCLIENT_H

#include "dirtypes.h"

HALVET_EXTERN_C_BEGIN

/* Initialises the library; both arguments are reserved (NULL). */
HALVET_API int32_t InitCallClient(void* reserved1, void* reserved2);

/* Version of the installed client (any pointer may be NULL). */
HALVET_API int32_t GetRequesterVersion(uint8_t* major, uint8_t* minor, uint16_t* revision);

/* Number of the volume named volumeName (without server, ignoring case) on
 * the server behind conn; -905 when there is none. */
HALVET_API int32_t GetVolumeNumber(HALVET_CONN conn, const char* volumeName,
                                   uint32_t* volumeNumber);
/* Usage figures of a volume; reserved must be 0. */
HALVET_API int32_t GetVolumeUsage(HALVET_CONN conn, uint32_t reserved, uint32_t volumeNumber,
                                  HALVET_VOLUME_USAGE* usage);
HALVET_API int32_t GetExtendedVolumeInfo(HALVET_CONN conn, uint32_t volumeNumber,
                                         HALVET_EXTENDED_VOLUME_INFO* info);
/* The name spaces loaded on a volume: *count ids (at most maxCount) into
 * ids[maxCount]. */
HALVET_API int32_t GetLoadedNameSpaces(HALVET_CONN conn, uint32_t volumeNumber, uint8_t maxCount,
                                       uint8_t* count, uint8_t* ids);
/* Server information (128-byte record). */
HALVET_API int32_t GetServerInfo(HALVET_CONN conn, HALVET_SERVER_INFO* info);

/* Up to maxCount connection numbers of the object objectId (MapNameToId)
 * logged in to the server behind conn, into connNumbers[maxCount]. */
HALVET_API int32_t GetObjectConnections(HALVET_CONN conn, uint32_t objectId, uint32_t maxCount,
                                        uint32_t* count, uint32_t* connNumbers);
/* Login name (full directory name, no leading ".") of a connection number
 * of the server, in the OEM character set. */
HALVET_API int32_t GetConnUserName(HALVET_CONN conn, uint32_t connNumber, char* name,
                                   uint32_t size);
/* Sends message (at most HALVET_MAX_BROADCAST_MESSAGE bytes with its NUL) to
 * count connection numbers of the server; results[count] receives one
 * HALVET_BROADCAST_* byte per connection. Delivered messages land in the
 * connection's message spool. */
HALVET_API int32_t SendBroadcast(HALVET_CONN conn, const char* message, uint32_t count,
                                 const uint32_t* connNumbers, uint8_t* results);

/* The names the server behind conn advertises for objectType (e.g.
 * HALVET_ADVERTISED_TREE, whose names are padded with '_' to 32 characters),
 * one by one: *scan is 0 before the first call; -904 after the last. */
HALVET_API int32_t ScanAdvertisedNames(HALVET_CONN conn, uint32_t objectType, uint32_t* scan,
                                       char* name, uint32_t size);

HALVET_EXTERN_C_END

#endif /* HALVET_CALLCLIENT_H */
