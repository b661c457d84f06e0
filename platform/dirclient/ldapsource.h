// The trees an LDAP server serves: the directory operations of the client
// over wldap32 (paged one-level listings, reads, one modify request per
// change, the subschema entry's definitions, the bound identity).
//
// A tree is served by LDAP when its entry in the image has an "ldap" member
// (see platform/image/FORMAT.md); servers, volumes and the workstation's
// connections stay in the image.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model.h"
#include "store.h"

namespace orrel::ldapsource {

struct Config {
    std::string host = "127.0.0.1";
    uint16_t port = 389;
    std::string base;      // the DN of the tree's root ("" = the server's empty suffix)
    bool anonymous = false;
    std::string identity;  // canonical name the workstation binds as ("" = anonymous)
    bool restricted = false;  // identity is the workstation's restricted one
    std::string password;
};

// The server of a tree; false when the image serves it. second: the
// workstation acts as its restricted identity.
bool ConfigOf(const dirstore::Image& image, const dirstore::Tree& tree, bool second, Config& out);

struct Attr {
    std::string name;
    uint32_t syntax = 0;
    std::vector<dirstore::Value> values;
};

// A one-level listing in progress: its own connection and paging cookie.
class Listing;

// Starts listing the objects directly below full ("" = the tree's root),
// only of a class when cls is not empty, with labels matching pattern.
int32_t StartListing(const Config& config, const std::string& full, const std::string& cls,
                     const std::string& pattern, std::shared_ptr<Listing>& out);
// The next page of the listing, appended to out; more is false after the last.
int32_t NextPage(Listing& listing, std::vector<dirstore::ListEntry>& out, bool& more);

// Resolves a name against a name context to the canonical full name of an
// existing object ("" = the root). With deref, aliases met on the way (and
// at the end) are followed, at most dirstore::kMaxAliasHops of them.
int32_t Locate(const Config& config, const std::string& nameContext, const std::string& name, bool deref,
               std::string& full);
int32_t ReadInfo(const Config& config, const std::string& full, dirstore::ObjectInfo& info);
// The attributes of an object: all, or those named (names null: all).
int32_t ReadAttrs(const Config& config, const std::string& full, const std::vector<std::string>* names,
                  std::vector<Attr>& out);
// One modify request for the changes; names in values resolve against nameContext.
int32_t Modify(const Config& config, const std::string& full, const std::vector<dirstore::Change>& changes,
               const std::string& nameContext);
// Streams (login scripts): the bytes of a binary attribute, mapped with the
// stream conversion. ReadStream: -602 when the object has no such value.
// WriteStream replaces the value with content in one modify request (the
// server's refusal: -672).
int32_t ReadStream(const Config& config, const std::string& full, const std::string& attr, std::string& content);
int32_t WriteStream(const Config& config, const std::string& full, const std::string& attr,
                    const std::string& content);
// A file handle (close it with CloseHandle) on the content of a stream, for
// reading or writing (ldapstreams.cpp); what a written file holds when it is
// closed becomes the stream's value, sent from the user's stream outbox.
int32_t OpenStreamFile(const Config& config, const std::string& full, const std::string& attr, bool write,
                       void*& handle);
// Sends the streams written for this server and identity and closed since,
// by any process of the user (every call that reaches the server does this
// first, so that a process reads what was written).
void SendClosedStreams(const Config& config);
// The server and identity of a configuration, as one text.
std::string ServerKey(const Config& config);
// The identity of the bind ("" when anonymous).
int32_t WhoAmI(const Config& config, std::string& name);
// Read for everyone; read and write for the bound identity unless it is the
// restricted one (the server decides in the end).
int32_t Rights(const Config& config, const std::string& subject, uint32_t& rights);
// Class and attribute definitions from the server's subschema entry.
int32_t Definitions(const Config& config, std::vector<dirstore::ClassDef>& classes,
                    std::vector<dirstore::AttrDef>& attrs);

}  // namespace orrel::ldapsource
