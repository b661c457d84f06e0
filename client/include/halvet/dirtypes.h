/*
 * Types and constants shared by the four directory client libraries
 * (HalvetDirClient, HalvetCallClient, HalvetConnClient, HalvetLocaleClient).
 *
 * Pure C, no <windows.h>: the value records and constants are also used by
 * code that is built natively (formatting, fuzzing).
 *
 * Every function of the libraries returns 0 on success or a negative
 * directory error code (HALVET_ERR_*), except where its comment says
 * otherwise. Text is 8-bit ANSI, NUL-terminated.
 */
#ifndef HALVET_DIRTYPES_H
#define HALVET_DIRTYPES_H

#include <stdint.h>

/* Import declaration of the libraries' entry points. The stand-in libraries
 * define HALVET_STANDIN_BUILD and export through their .def files. */
#if defined(_WIN32) && !defined(HALVET_STANDIN_BUILD)
#define HALVET_API __declspec(dllimport)
#else
#define HALVET_API
#endif

#ifdef __cplusplus
#define HALVET_EXTERN_C_BEGIN extern "C" {
#define HALVET_EXTERN_C_END }
#else
#define HALVET_EXTERN_C_BEGIN
#define HALVET_EXTERN_C_END
#endif

/* ------------------------------------------------------------------------ */
/* Handles                                                                   */

/* A directory context. */
typedef int32_t HALVET_CONTEXT;
/* The context value that means that no context exists yet. */
enum { NoContext = -328 };
#define HALVET_NO_CONTEXT ((HALVET_CONTEXT)-328)

/* A request or reply buffer (AllocDirBuffer). Opaque. */
typedef struct HALVET_BUFFER HALVET_BUFFER;

/* Iteration handle of a listing or read: -1 before the first call and when
 * the directory has nothing more to send. */
typedef int32_t HALVET_ITERATION;
#define HALVET_NO_ITERATION ((HALVET_ITERATION)-1)

/* An open connection to a server, and a connection reference of the
 * workstation (a connection the workstation holds, open or not). */
typedef uint32_t HALVET_CONN;
typedef uint32_t HALVET_CONN_REF;
#define HALVET_NO_CONN ((HALVET_CONN)0)

/* ------------------------------------------------------------------------ */
/* Sizes                                                                     */

#define HALVET_MAX_DN_CHARS 256         /* a full dotted name, without NUL */
#define HALVET_MAX_DN_BYTES 257         /* buffer for a name, with NUL */
#define HALVET_MAX_LABEL_CHARS 64       /* one label of a dotted name */
#define HALVET_MAX_SCHEMA_NAME_CHARS 32 /* class and attribute names */
#define HALVET_MAX_TREE_NAME_CHARS 32   /* a tree name, padded with '_' */
#define HALVET_MAX_SERVER_NAME_CHARS 47 /* a server name */
#define HALVET_LIST_BUFFER_SIZE 4096u   /* usual reply size of a listing */
#define HALVET_DEFAULT_BUFFER_SIZE 64512u
#define HALVET_MAX_BUFFER_SIZE 65536u   /* AllocDirBuffer accepts 64..65536 */
#define HALVET_MIN_BUFFER_SIZE 64u

/* ------------------------------------------------------------------------ */
/* Context keys (GetDirContextValue / SetDirContextValue)                    */

#define HALVET_CTX_KEY_FLAGS 1         /* uint32_t */
#define HALVET_CTX_KEY_NAME_CONTEXT 3  /* char[HALVET_MAX_DN_BYTES]; "[Root]" */
#define HALVET_CTX_KEY_TREE_NAME 11    /* char[HALVET_MAX_TREE_NAME_CHARS+1] */

/* Context flags; callers OR in 0x45. */
#define HALVET_CTX_FLAG_DEREF_ALIASES 0x01u  /* names are resolved through aliases */
#define HALVET_CTX_FLAG_TYPELESS_NAMES 0x04u /* names carry no attribute types */
#define HALVET_CTX_FLAG_LOCAL_CHARSET 0x40u  /* text in the local code page */
#define HALVET_CTX_FLAGS_USUAL 0x45u

#define HALVET_ROOT_NAME "[Root]"

/* ------------------------------------------------------------------------ */
/* Buffer operations (InitDirBuffer)                                         */

#define HALVET_OP_READ 3        /* ReadObject request: attribute names */
#define HALVET_OP_LIST 5        /* ListContainer / ListByClass */
#define HALVET_OP_MODIFY 9      /* ModifyObject request: changes */
#define HALVET_OP_ATTR_DEFS 12  /* ReadAttrDef request: attribute names */
#define HALVET_OP_CLASS_DEFS 15 /* ReadClassDef request: class names */

/* Information types of ReadObject. */
#define HALVET_INFO_NAMES 0            /* attribute names only */
#define HALVET_INFO_NAMES_AND_VALUES 1 /* names and values */
/* Information types of ReadAttrDef / ReadClassDef. */
#define HALVET_DEF_NAMES 0 /* definition names only */
#define HALVET_DEF_FULL 1  /* full definitions */

/* Change types (PutChange). */
#define HALVET_CHANGE_ADD_ATTRIBUTE 0
#define HALVET_CHANGE_REMOVE_ATTRIBUTE 1
#define HALVET_CHANGE_ADD_VALUE 2
#define HALVET_CHANGE_REMOVE_VALUE 3
#define HALVET_CHANGE_OVERWRITE_VALUE 5

/* Entry flags (HALVET_OBJECT_INFO.entryFlags). */
#define HALVET_ENTRY_ALIAS 0x01u
#define HALVET_ENTRY_PARTITION_ROOT 0x02u
#define HALVET_ENTRY_CONTAINER 0x04u
#define HALVET_ENTRY_CONTAINER_ALIAS 0x08u

/* Effective rights (GetEffectiveRights) and ACL privileges (syntax 17). */
#define HALVET_RIGHT_COMPARE 0x01u
#define HALVET_RIGHT_READ 0x02u
#define HALVET_RIGHT_WRITE 0x04u
#define HALVET_RIGHT_SELF 0x08u
#define HALVET_RIGHT_SUPERVISOR 0x20u
/* Protected attribute names of ACL values besides plain attribute names. */
#define HALVET_ACL_ALL_ATTRIBUTES "[All Attributes Rights]"
#define HALVET_ACL_ENTRY_RIGHTS "[Entry Rights]"
/* Subjects of ACL values besides object names. */
#define HALVET_SUBJECT_PUBLIC "[Public]"
#define HALVET_SUBJECT_ROOT "[Root]"

/* Attribute definition flags (HALVET_ATTR_INFO.flags). */
#define HALVET_ATTR_SINGLE_VALUED 0x0001u
#define HALVET_ATTR_SIZED 0x0002u
/* Class definition flags (HALVET_CLASS_INFO.flags). */
#define HALVET_CLASS_CONTAINER 0x01u
#define HALVET_CLASS_EFFECTIVE 0x02u

/* Item lists of a class definition, in the order GetClassItem walks them. */
#define HALVET_CLASS_ITEMS_SUPER_CLASSES 0
#define HALVET_CLASS_ITEMS_CONTAINMENT 1
#define HALVET_CLASS_ITEMS_NAMING 2
#define HALVET_CLASS_ITEMS_MANDATORY 3
#define HALVET_CLASS_ITEMS_OPTIONAL 4
#define HALVET_CLASS_ITEM_LISTS 5

/* OpenStream modes. */
#define HALVET_STREAM_READ 1
#define HALVET_STREAM_WRITE 2

/* ------------------------------------------------------------------------ */
/* Error codes                                                               */

#define HALVET_OK 0
#define HALVET_ERR_NOT_ENOUGH_MEMORY (-301)
#define HALVET_ERR_BAD_KEY (-302)       /* unknown context or info key */
#define HALVET_ERR_BAD_CONTEXT (-303)   /* not a live directory context */
#define HALVET_ERR_BUFFER_FULL (-304)   /* the request buffer holds no more */
#define HALVET_ERR_BUFFER_EMPTY (-307)  /* reading past the end of a reply */
#define HALVET_ERR_BAD_BUFFER (-308)    /* not a buffer, or one of another operation */
#define HALVET_ERR_BAD_ITERATION (-309) /* not a live iteration handle */
#define HALVET_ERR_NULL_POINTER (-314)  /* a required argument is missing */
#define HALVET_ERR_UNKNOWN_SYNTAX (-315)
#define HALVET_ERR_NO_SUCH_ENTRY (-601)
#define HALVET_ERR_NO_SUCH_VALUE (-602)
#define HALVET_ERR_NO_SUCH_ATTRIBUTE (-603)
#define HALVET_ERR_NO_SUCH_CLASS (-604)
#define HALVET_ERR_NO_SUCH_TREE (-605)
#define HALVET_ERR_ILLEGAL_ATTRIBUTE (-608) /* not allowed on the object's class */
#define HALVET_ERR_MISSING_MANDATORY (-609)
#define HALVET_ERR_ILLEGAL_NAME (-610)      /* malformed or too long a name */
#define HALVET_ERR_SINGLE_VALUED (-612)     /* a second value of a single-valued attribute */
#define HALVET_ERR_SYNTAX_VIOLATION (-613)  /* a value of the wrong syntax */
#define HALVET_ERR_DAMAGED_IMAGE (-618)     /* the directory image is refused */
#define HALVET_ERR_TRANSPORT_FAILURE (-625) /* no directory image can be reached */
#define HALVET_ERR_NAMING_VALUE (-627)      /* removal of the value that names the object */
#define HALVET_ERR_INVALID_REQUEST (-641)   /* invalid parameter or request */
#define HALVET_ERR_BUFFER_TOO_SMALL (-649)  /* reply or caller's buffer too small */
#define HALVET_ERR_NO_ACCESS (-672)         /* no write right */
#define HALVET_ERR_FATAL (-699)             /* unexpected failure inside the library */

/* Connection and server calls. */
#define HALVET_ERR_INVALID_CONN (-901)      /* not an open connection handle */
#define HALVET_ERR_NO_SUCH_SERVER (-902)
#define HALVET_ERR_INVALID_CONN_REF (-903)
#define HALVET_ERR_NO_MORE_ENTRIES (-904)   /* a scan has ended */
#define HALVET_ERR_NO_SUCH_VOLUME (-905)
#define HALVET_ERR_NO_SUCH_CONNECTION (-906) /* no such connection number on the server */
#define HALVET_ERR_NOT_ATTACHED (-907)       /* the identity holds no connection there */
#define HALVET_ERR_SPOOL_FAILED (-908)       /* a message could not be delivered */
#define HALVET_ERR_SLOT_NOT_CLAIMED (-909)
/* ClaimConnectionSlot: the connection already holds a counted slot.
 * Positive on purpose: callers treat it as success. */
#define HALVET_CONN_ALREADY_CLAIMED 34836

/* ------------------------------------------------------------------------ */
/* Object information (GetObjectName, ReadObjectInfo)                        */

typedef struct HALVET_OBJECT_INFO {
  uint32_t entryFlags;       /* HALVET_ENTRY_* */
  uint32_t subordinateCount; /* number of objects directly below */
  uint32_t modificationTime; /* seconds since 1970, UTC */
  char baseClass[33];        /* at byte offset 12 */
} HALVET_OBJECT_INFO;

/* Attribute definition (GetAttrDef). */
typedef struct HALVET_ATTR_INFO {
  uint32_t flags;  /* HALVET_ATTR_* */
  uint32_t syntax; /* HALVET_SYNTAX_* */
  uint32_t lower;  /* size limits when HALVET_ATTR_SIZED */
  uint32_t upper;
} HALVET_ATTR_INFO;

/* Class definition (GetClassDef). */
typedef struct HALVET_CLASS_INFO {
  uint32_t flags;                               /* HALVET_CLASS_* */
  uint32_t itemCounts[HALVET_CLASS_ITEM_LISTS]; /* 0 with HALVET_DEF_NAMES */
} HALVET_CLASS_INFO;

/* ------------------------------------------------------------------------ */
/* Syntaxes and their value records                                          */
/*
 * GetAttrVal writes the record into the caller's buffer of at least
 * ComputeAttrValSize bytes; the strings and bytes a record points to are
 * placed after the record inside that same buffer. PutAttrVal takes the
 * same records (pointers anywhere), or the text itself for string syntaxes.
 */

#define HALVET_SYNTAX_UNKNOWN 0
#define HALVET_SYNTAX_DIST_NAME 1       /* text: a directory name */
#define HALVET_SYNTAX_CE_STRING 2       /* text, case exact */
#define HALVET_SYNTAX_CI_STRING 3       /* text, case ignore */
#define HALVET_SYNTAX_PR_STRING 4       /* text, printable characters */
#define HALVET_SYNTAX_NU_STRING 5       /* text, digits and blanks */
#define HALVET_SYNTAX_CI_LIST 6         /* HALVET_CI_LIST */
#define HALVET_SYNTAX_BOOLEAN 7         /* uint8_t, 0 or 1 */
#define HALVET_SYNTAX_INTEGER 8         /* int32_t */
#define HALVET_SYNTAX_OCTET_STRING 9    /* HALVET_OCTET_STRING */
#define HALVET_SYNTAX_TEL_NUMBER 10     /* text */
#define HALVET_SYNTAX_FAX_NUMBER 11     /* HALVET_FAX_NUMBER */
#define HALVET_SYNTAX_NET_ADDRESS 12    /* HALVET_NET_ADDRESS */
#define HALVET_SYNTAX_OCTET_LIST 13     /* HALVET_OCTET_LIST */
#define HALVET_SYNTAX_EMAIL_ADDRESS 14  /* HALVET_EMAIL_ADDRESS */
#define HALVET_SYNTAX_PATH 15           /* HALVET_PATH */
#define HALVET_SYNTAX_REPLICA_POINTER 16 /* HALVET_OCTET_STRING (opaque) */
#define HALVET_SYNTAX_OBJECT_ACL 17     /* HALVET_OBJECT_ACL */
#define HALVET_SYNTAX_PO_ADDRESS 18     /* HALVET_POSTAL_ADDRESS */
#define HALVET_SYNTAX_TIMESTAMP 19      /* HALVET_TIMESTAMP */
#define HALVET_SYNTAX_CLASS_NAME 20     /* text: a class name */
#define HALVET_SYNTAX_STREAM 21         /* text "" (the content: OpenStream) */
#define HALVET_SYNTAX_COUNTER 22        /* uint32_t */
#define HALVET_SYNTAX_BACK_LINK 23      /* HALVET_BACK_LINK */
#define HALVET_SYNTAX_TIME 24           /* uint32_t seconds since 1970 */
#define HALVET_SYNTAX_TYPED_NAME 25     /* HALVET_TYPED_NAME */
#define HALVET_SYNTAX_HOLD 26           /* HALVET_HOLD */
#define HALVET_SYNTAX_INTERVAL 27       /* int32_t seconds */
#define HALVET_SYNTAX_MAX 27

/* 6: case-ignore list, in list order. */
typedef struct HALVET_CI_LIST {
  struct HALVET_CI_LIST* next;
  char* s;
} HALVET_CI_LIST;

/* 9 (and 16): octet string. */
typedef struct HALVET_OCTET_STRING {
  uint32_t length;
  uint8_t* data;
} HALVET_OCTET_STRING;

/* 11: fax number; bitCount bits in data ((bitCount + 7) / 8 bytes). */
typedef struct HALVET_FAX_NUMBER {
  char* telephoneNumber;
  uint32_t bitCount;
  uint8_t* data;
} HALVET_FAX_NUMBER;

/* 12: network address. */
#define HALVET_NET_ADDRESS_IPX 0 /* 4 bytes network, 6 node, 2 socket */
#define HALVET_NET_ADDRESS_IP 1  /* 4 bytes */
typedef struct HALVET_NET_ADDRESS {
  uint32_t addressType;
  uint32_t addressLength;
  uint8_t* address;
} HALVET_NET_ADDRESS;

/* 13: octet list. */
typedef struct HALVET_OCTET_LIST {
  struct HALVET_OCTET_LIST* next;
  uint32_t length;
  uint8_t* data;
} HALVET_OCTET_LIST;

/* 14: e-mail address. */
typedef struct HALVET_EMAIL_ADDRESS {
  uint32_t type;
  char* address;
} HALVET_EMAIL_ADDRESS;

/* 15: path on a volume. volumeName is a directory name. */
typedef struct HALVET_PATH {
  uint32_t nameSpaceType;
  char* volumeName;
  char* path;
} HALVET_PATH;

/* 17: access-control entry. subjectName is a directory name or
 * HALVET_SUBJECT_PUBLIC / HALVET_SUBJECT_ROOT. */
typedef struct HALVET_OBJECT_ACL {
  char* protectedAttrName;
  char* subjectName;
  uint32_t privileges; /* HALVET_RIGHT_* */
} HALVET_OBJECT_ACL;

/* 18: postal address, six lines (empty lines are ""). */
#define HALVET_POSTAL_LINES 6
typedef struct HALVET_POSTAL_ADDRESS {
  char* line[HALVET_POSTAL_LINES];
} HALVET_POSTAL_ADDRESS;

/* 19: timestamp. */
typedef struct HALVET_TIMESTAMP {
  uint32_t wholeSeconds; /* since 1970, UTC */
  uint32_t eventId;
} HALVET_TIMESTAMP;

/* 23: back link. */
typedef struct HALVET_BACK_LINK {
  uint32_t remoteId;
  char* objectName;
} HALVET_BACK_LINK;

/* 25: typed name. */
typedef struct HALVET_TYPED_NAME {
  char* objectName;
  uint32_t level;
  uint32_t interval;
} HALVET_TYPED_NAME;

/* 26: hold. */
typedef struct HALVET_HOLD {
  char* objectName;
  uint32_t amount;
} HALVET_HOLD;

/* ------------------------------------------------------------------------ */
/* Connection and server records                                            */

/* Keys of GetConnInfo and GetConnRefInfo. */
#define HALVET_CONN_INFO_AUTH_STATE 1  /* uint32_t, HALVET_AUTH_* */
#define HALVET_CONN_INFO_TREE_NAME 4   /* char[], padded with '_' to 32; >= 33 bytes */
#define HALVET_CONN_INFO_SERVER_NAME 7 /* char[], >= 48 bytes */
#define HALVET_CONN_INFO_CONN_NUMBER 10 /* uint32_t, own connection number (GetConnInfo) */
#define HALVET_CONN_INFO_TRANSPORT_ADDRESS 13 /* HALVET_TRANSPORT_ADDRESS */

/* Authentication states. */
#define HALVET_AUTH_NONE 0
#define HALVET_AUTH_LICENSED 1
#define HALVET_AUTH_AUTHENTICATED 2

/* Transport address of a connection (key 13). The caller sets length to
 * the capacity of buffer; the library sets type and length and fills
 * buffer. Type 9 (IP): bytes 0-1 port (big-endian), 2-5 the IPv4 address. */
#define HALVET_TRANSPORT_IP 9
typedef struct HALVET_TRANSPORT_ADDRESS {
  uint32_t type;
  uint32_t length;
  uint8_t* buffer;
} HALVET_TRANSPORT_ADDRESS;

/* OpenConnByName name formats. */
#define HALVET_NAME_FORMAT_DIRECTORY 1 /* the server object's directory name */
#define HALVET_NAME_FORMAT_SERVER 2    /* the server name */
#define HALVET_NAME_FORMAT_ANY 8       /* server name or dotted IPv4 address */
/* OpenConnByName / OpenConnByRef open states. */
#define HALVET_OPEN_UNCLAIMED 1 /* no connection slot taken (ClaimConnectionSlot) */
#define HALVET_OPEN_CLAIMED 2   /* a full, counted connection */
/* Transport types. */
#define HALVET_TRANSPORT_ANY 0x8000u

/* Object type of the names a server advertises for directory trees. */
#define HALVET_ADVERTISED_TREE 0x7802u

/* GetVolumeUsage: 12 fields. */
typedef struct HALVET_VOLUME_USAGE {
  uint32_t totalBlocks;          /* 0 */
  uint32_t freeBlocks;           /* 1 */
  uint32_t purgeableBlocks;      /* 2 */
  uint32_t notYetPurgeableBlocks; /* 3 */
  uint32_t totalDirEntries;      /* 4 */
  uint32_t availableDirEntries;  /* 5 */
  uint32_t reserved1;            /* 6 */
  uint32_t sectorsPerBlock;      /* 7: 512-byte sectors */
  uint32_t volumeNameLength;     /* 8 */
  uint32_t reserved2[3];         /* 9..11 */
} HALVET_VOLUME_USAGE;

/* GetExtendedVolumeInfo: 33 fields; the named ones are filled. */
#define HALVET_VOLUME_FEATURE_SUBALLOCATION 0x01u
#define HALVET_VOLUME_FEATURE_COMPRESSION 0x02u
#define HALVET_VOLUME_FEATURE_MIGRATION 0x04u
#define HALVET_VOLUME_FEATURE_AUDITING 0x08u
#define HALVET_VOLUME_FEATURE_READ_ONLY 0x10u
typedef struct HALVET_EXTENDED_VOLUME_INFO {
  uint32_t volumeType;          /* 0 */
  uint32_t featureFlags;        /* 1: HALVET_VOLUME_FEATURE_* */
  uint32_t sizeUnit;            /* 2: bytes per unit of the figures below */
  uint32_t sectorSize;          /* 3 */
  uint32_t totalUnits;          /* 4 */
  uint32_t freeUnits;           /* 5 */
  uint32_t reserved1[12];       /* 6..17 */
  uint32_t dataBeforeCompression; /* 18 */
  uint32_t dataAfterCompression;  /* 19 */
  uint32_t reserved2[13];       /* 20..32 */
} HALVET_EXTENDED_VOLUME_INFO;

/* GetServerInfo: 128 bytes; osMajor and osMinor at byte offsets 48, 49. */
typedef struct HALVET_SERVER_INFO {
  char serverName[48];    /* 0 */
  uint8_t osMajor;        /* 48 */
  uint8_t osMinor;        /* 49 */
  uint8_t osRevision;     /* 50 */
  uint8_t reserved0;      /* 51 */
  uint16_t maxConnections; /* 52 */
  uint16_t usedConnections; /* 54 */
  uint16_t maxVolumes;    /* 56 */
  uint8_t reserved[70];   /* 58..127 */
} HALVET_SERVER_INFO;

/* Locale conventions (GetLocaleConv). */
typedef struct HALVET_LOCALE_CONV {
  int32_t country;      /* country number, e.g. 1 */
  int32_t codePage;     /* ANSI code page, e.g. 1252 */
  char decimalPoint[4];
  char thousandsSep[4];
  char grouping[8];
} HALVET_LOCALE_CONV;

/* SendBroadcast result bytes, one per target connection. */
#define HALVET_BROADCAST_DELIVERED 0x00
#define HALVET_BROADCAST_REFUSED 0xFC   /* the target does not accept messages */
#define HALVET_BROADCAST_NO_SUCH_CONN 0xFF
#define HALVET_MAX_BROADCAST_MESSAGE 260 /* bytes, NUL included */

#endif /* HALVET_DIRTYPES_H */
