/*
 * HalvetDirClient: directory contexts, buffers, listing, reading, changing,
 * names, rights, streams.
 *
 * Names are dotted and typeless, leaf first, relative to the context's name
 * context unless they start with "." (absolute). "[Root]" names the root of
 * the context's tree. Every call returns 0 or a negative HALVET_ERR_* code
 * unless its comment says otherwise; output buffers are never written past
 * the size given and, for text, always end with a NUL on success.
 *
 * Directory names the library hands out (WhoAmI, ReadObjectInfo,
 * GetServerDirName, and the names inside values of syntaxes 1, 15, 17, 23,
 * 25 and 26) are absolute, with a leading ".", so that they can be passed
 * back whatever the name context. Names inside values that a caller writes
 * may be relative; they are resolved against the name context and stored
 * as full names.
 */
#ifndef HALVET_DIRCLIENT_H
#define HALVET_DIRCLIENT_H

#include "dirtypes.h"

HALVET_EXTERN_C_BEGIN

/* ---- Availability and contexts ------------------------------------------ */

/* Non-zero when the directory can be reached (its image loads); 0 otherwise.
 * Not an error code. */
HALVET_API int32_t DirClientAvailable(void);

/* A new context: the workstation's default tree, name context "[Root]",
 * flags 0. */
HALVET_API int32_t CreateDirContext(HALVET_CONTEXT* context);
/* A new context with the same tree, name context and flags as source. */
HALVET_API int32_t DuplicateDirContext(HALVET_CONTEXT source, HALVET_CONTEXT* context);
HALVET_API int32_t FreeDirContext(HALVET_CONTEXT context);

/* key HALVET_CTX_KEY_*; value: uint32_t for flags, char[] for texts;
 * size: bytes at value (-649 when the text does not fit). */
HALVET_API int32_t GetDirContextValue(HALVET_CONTEXT context, uint32_t key, void* value,
                                      uint32_t size);
/* value: const uint32_t* for flags, const char* for texts. Setting an
 * unknown tree gives -605. A name context is a full name (a leading "." is
 * allowed) or "[Root]"; it is not checked against the directory here. */
HALVET_API int32_t SetDirContextValue(HALVET_CONTEXT context, uint32_t key, const void* value);

/* The absolute name (".Admin.Corp") of the identity authenticated to the
 * context's tree; -907 when the workstation holds none there. */
HALVET_API int32_t WhoAmI(HALVET_CONTEXT context, char* name, uint32_t size);

/* ---- Buffers --------------------------------------------------------------- */

/* size 64..65536 bytes (4096 for lists, else 64512 usually). */
HALVET_API int32_t AllocDirBuffer(uint32_t size, HALVET_BUFFER** buffer);
/* Prepares a buffer for an operation HALVET_OP_*; empties it. */
HALVET_API int32_t InitDirBuffer(uint32_t operation, HALVET_BUFFER* buffer);
HALVET_API int32_t FreeDirBuffer(HALVET_BUFFER* buffer);

/* ---- Listing --------------------------------------------------------------- */

/* Lists the objects directly below container ("" = the name context) into
 * reply (a buffer of any operation; it becomes a list reply). *iteration:
 * -1 on the first call; on return -1 when this reply holds the last objects,
 * else the handle to pass to the next call. A reply holds as many objects as
 * fit in its size. */
HALVET_API int32_t ListContainer(HALVET_CONTEXT context, const char* container,
                                 HALVET_ITERATION* iteration, HALVET_BUFFER* reply);
/* As ListContainer, only objects whose base class is className (ignoring
 * case; NULL or "" = any) and whose label matches nameFilter (NULL or "" =
 * any; "*" matches any run of characters, ignoring case). */
HALVET_API int32_t ListByClass(HALVET_CONTEXT context, const char* container,
                               const char* className, const char* nameFilter,
                               HALVET_ITERATION* iteration, HALVET_BUFFER* reply);
/* Objects in a list reply. */
HALVET_API int32_t GetObjectCount(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t* count);
/* The next object of a list reply: its label (relative to the container),
 * its attribute count (may be NULL) and its information (may be NULL).
 * -307 after the last. */
HALVET_API int32_t GetObjectName(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name,
                                 uint32_t nameSize, uint32_t* attrCount,
                                 HALVET_OBJECT_INFO* info);

/* ---- Reading ----------------------------------------------------------------- */

/* Puts a name into a request: an attribute name (operations 3 and 12) or a
 * class name (operation 15). */
HALVET_API int32_t PutAttrName(HALVET_CONTEXT context, HALVET_BUFFER* request, const char* name);

/* Reads the attributes of object named in request (allAttributes zero) or
 * all of them (allAttributes non-zero; request may then be NULL).
 * infoType HALVET_INFO_*. Iterates like ListContainer: a reply holds as many
 * values as fit; an attribute whose values do not all fit continues, under
 * its name again, in the next reply. -649 when not even one value fits. */
HALVET_API int32_t ReadObject(HALVET_CONTEXT context, const char* object, uint32_t infoType,
                              int32_t allAttributes, HALVET_BUFFER* request,
                              HALVET_ITERATION* iteration, HALVET_BUFFER* reply);
/* Attributes in a read reply. */
HALVET_API int32_t GetAttrCount(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t* count);
/* The next attribute of a read reply: its name, the number of its values in
 * this reply (0 with HALVET_INFO_NAMES) and its syntax. Any values of the
 * previous attribute that were not taken are skipped. */
HALVET_API int32_t GetAttrName(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name,
                               uint32_t nameSize, uint32_t* valueCount, uint32_t* syntax);
/* Bytes the next value of the current attribute needs in GetAttrVal. */
HALVET_API int32_t ComputeAttrValSize(HALVET_CONTEXT context, HALVET_BUFFER* reply,
                                      uint32_t syntax, uint32_t* size);
/* Writes the next value of the current attribute into value (size bytes) as
 * the record of its syntax, its strings after the record. syntax must be the
 * attribute's (-613 otherwise); -649 when size is too small. */
HALVET_API int32_t GetAttrVal(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t syntax,
                              void* value, uint32_t size);

/* Entry flags and base class of an object, and its absolute name (nameOut
 * may be NULL, nameSize its size, e.g. 515). An alias is not followed: its
 * own flags are reported. */
HALVET_API int32_t ReadObjectInfo(HALVET_CONTEXT context, const char* object, char* nameOut,
                                  uint32_t nameSize, HALVET_OBJECT_INFO* info);

/* Class definitions: of the class names in request (allClasses zero) or of
 * every class (allClasses non-zero; request may be NULL). infoType
 * HALVET_DEF_*. Iterates like ListContainer; -649 when not even one
 * definition fits in reply. */
HALVET_API int32_t ReadClassDef(HALVET_CONTEXT context, uint32_t infoType, int32_t allClasses,
                                HALVET_BUFFER* request, HALVET_ITERATION* iteration,
                                HALVET_BUFFER* reply);
HALVET_API int32_t GetClassDefCount(HALVET_CONTEXT context, HALVET_BUFFER* reply,
                                    uint32_t* count);
/* The next class definition: its name and (may be NULL) its information.
 * With HALVET_DEF_FULL its five item lists follow, each read as
 * GetClassItemCount then that many GetClassItem. */
HALVET_API int32_t GetClassDef(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name,
                               uint32_t nameSize, HALVET_CLASS_INFO* info);
HALVET_API int32_t GetClassItemCount(HALVET_CONTEXT context, HALVET_BUFFER* reply,
                                     uint32_t* count);
HALVET_API int32_t GetClassItem(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name,
                                uint32_t nameSize);

/* Attribute definitions, as ReadClassDef. */
HALVET_API int32_t ReadAttrDef(HALVET_CONTEXT context, uint32_t infoType, int32_t allAttributes,
                               HALVET_BUFFER* request, HALVET_ITERATION* iteration,
                               HALVET_BUFFER* reply);
HALVET_API int32_t GetAttrDefCount(HALVET_CONTEXT context, HALVET_BUFFER* reply,
                                   uint32_t* count);
/* The next attribute definition: its name and (may be NULL) its
 * information (zeroed with HALVET_DEF_NAMES). */
HALVET_API int32_t GetAttrDef(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name,
                              uint32_t nameSize, HALVET_ATTR_INFO* info);

/* Ends an iteration before the directory said -1. */
HALVET_API int32_t CloseIteration(HALVET_CONTEXT context, HALVET_ITERATION iteration);

/* Rights (HALVET_RIGHT_*) of subject on attribute of object: from the ACL
 * values of the object and every object above it, for the subject, its
 * groups ("Group Membership"), its containers and "[Public]". attribute may
 * be HALVET_ACL_ALL_ATTRIBUTES or HALVET_ACL_ENTRY_RIGHTS. */
HALVET_API int32_t GetEffectiveRights(HALVET_CONTEXT context, const char* subject,
                                      const char* object, const char* attribute,
                                      uint32_t* rights);

/* ---- Changing -------------------------------------------------------------- */

/* Adds a change (HALVET_CHANGE_*) of attribute to a modify request. Changes
 * 2, 3 and 5 take their value from the PutAttrVal that follows. */
HALVET_API int32_t PutChange(HALVET_CONTEXT context, HALVET_BUFFER* request, uint32_t changeType,
                             const char* attribute);
/* The value of the last change: a record of the syntax (see dirtypes.h) or
 * the text itself for text syntaxes. value NULL: an empty value (a stream
 * without content; for others an empty text or zero record). */
HALVET_API int32_t PutAttrVal(HALVET_CONTEXT context, HALVET_BUFFER* request, uint32_t syntax,
                              const void* value);
/* Applies the changes of request to object, all or none. Durable when it
 * returns 0. Errors: -601, -603, -602, -608, -609, -612, -613, -627, -672. */
HALVET_API int32_t ModifyObject(HALVET_CONTEXT context, const char* object,
                                HALVET_BUFFER* request);

/* ---- Names ------------------------------------------------------------------ */

/* The full name of name (resolved against the name context), without a
 * leading "." ("[Root]" for the root). A trailing "." climbs one label of
 * the name context. */
HALVET_API int32_t CanonicalizeName(HALVET_CONTEXT context, const char* name, char* out,
                                    uint32_t size);
/* The name without attribute types ("CN=Admin.O=Corp" -> "Admin.Corp"),
 * otherwise unchanged, so that "." + result names the same object. */
HALVET_API int32_t AbbreviateName(HALVET_CONTEXT context, const char* name, char* out,
                                  uint32_t size);

/* ---- Streams and servers ---------------------------------------------------- */

/* A Win32 file HANDLE (returned through *fileHandle, close it with
 * CloseHandle) on the content of a stream attribute (syntax 21). mode
 * HALVET_STREAM_READ or HALVET_STREAM_WRITE (write needs the write right).
 * -602 when the attribute has no value yet. */
HALVET_API int32_t OpenStream(HALVET_CONTEXT context, const char* object, const char* attribute,
                              uint32_t mode, void** fileHandle);

/* The absolute directory name of the server object behind conn. */
HALVET_API int32_t GetServerDirName(HALVET_CONTEXT context, HALVET_CONN conn, char* name,
                                    uint32_t size);
/* Opens a connection (claimed) to the server whose directory name is
 * server. Close it with CloseConn. */
HALVET_API int32_t GetServerConn(HALVET_CONTEXT context, const char* server, HALVET_CONN* conn);
/* The id, on the server behind conn, of the directory object name. */
HALVET_API int32_t MapNameToId(HALVET_CONTEXT context, HALVET_CONN conn, const char* name,
                               uint32_t* objectId);

HALVET_EXTERN_C_END

#endif /* HALVET_DIRCLIENT_H */
