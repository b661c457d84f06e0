// The in-memory directory image: trees with schema and objects, servers and
// the workstation. Pure code.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

namespace orrel::dirstore {

using Json = nlohmann::ordered_json;

// One attribute value. Which members are used depends on the syntax:
//  text syntaxes (1-5, 10, 20, 21): s1
//  6, 18: strings            7: n1 (0/1)        8, 27: n1 (int32 bits)
//  22, 24: n1                0, 9, 16: bytes    11: s1 number, n1 bit count, bytes
//  12: n1 type, bytes        13: octets         14: n1 type, s1 address
//  15: n1 name space, s1 volume, s2 path         17: s1 attribute, s2 subject, n1 privileges
//  19: n1 seconds, n2 event  23: n1 remote id, s1 object
//  25: s1 object, n1 level, n2 interval          26: s1 object, n1 amount
// Directory names (1, 15 volume, 17 subject, 23, 25, 26) are canonical full
// names without a leading dot.
struct Value {
    uint32_t syntax = 0;
    std::string s1, s2;
    std::vector<std::string> strings;
    std::vector<std::vector<uint8_t>> octets;
    std::vector<uint8_t> bytes;
    uint32_t n1 = 0, n2 = 0;
};

struct Attribute {
    std::string name;
    std::vector<Value> values;
};

struct AttrDef {
    std::string name;
    uint32_t syntax = 0;
    bool singleValued = false;
    bool sized = false;
    uint32_t lower = 0, upper = 0;
};

enum ClassList { kSuperClasses, kContainment, kNaming, kMandatory, kOptional, kClassListCount };

struct ClassDef {
    std::string name;
    bool container = false;
    std::vector<std::string> lists[kClassListCount];
};

struct Object {
    std::string name;  // canonical full name
    std::string cls;
    uint32_t flags = 0;
    uint32_t modified = 0;
    std::vector<Attribute> attrs;
    Json extra = Json::object();

    const Attribute* Find(std::string_view attr) const;
    Attribute* Find(std::string_view attr);
};

struct Tree {
    std::string name;
    std::vector<AttrDef> attrDefs;
    std::vector<ClassDef> classDefs;
    std::vector<Object> objects;
    Json extra = Json::object();

    // Indexes, rebuilt by Reindex(): lower-case names to positions.
    std::unordered_map<std::string, size_t> objectIndex;
    std::unordered_map<std::string, std::vector<size_t>> children;  // by parent ("" = root)
    std::unordered_map<std::string, size_t> attrIndex;
    std::unordered_map<std::string, size_t> classIndex;

    void Reindex();
    const Object* FindObject(std::string_view fullName) const;
    Object* FindObject(std::string_view fullName);
    const AttrDef* FindAttr(std::string_view name) const;
    const ClassDef* FindClass(std::string_view name) const;
    const std::vector<size_t>& ChildrenOf(std::string_view fullName) const;
};

struct Volume {
    std::string name;
    uint32_t number = 0;
    std::string object;
    uint32_t usage[12] = {};
    uint32_t extended[33] = {};
    std::vector<uint8_t> nameSpaces;
};

struct ServerConnection {
    uint32_t number = 0;
    std::string user;  // canonical full name
    bool acceptsMessages = true;
};

struct Advertised {
    uint32_t type = 0;
    std::string name;
};

struct Server {
    std::string name;
    std::string tree;
    std::string object;  // canonical full name or ""
    uint32_t address = 0;  // IPv4, first octet in the high byte
    uint8_t version[3] = {5, 0, 0};
    uint32_t maxConnections = 250;
    bool hasAdvertised = false;
    std::vector<Advertised> advertised;
    std::vector<Volume> volumes;
    std::vector<ServerConnection> connections;
    Json extra = Json::object();
};

struct Identity {
    std::string tree;
    std::string name;    // canonical
    std::string second;  // canonical or ""
};

struct ConnRef {
    std::string server;
    std::string tree;
    uint32_t authState = 2;
    bool primary = false;
    uint32_t address = 0;
    uint16_t port = 524;
    Json extra = Json::object();
};

struct Workstation {
    std::string defaultTree;
    std::vector<Identity> identities;
    std::vector<ConnRef> refs;
    uint8_t requester[3] = {4, 90, 0};
    uint16_t requesterRevision = 0;
    Json extra = Json::object();
};

struct Image {
    std::vector<Tree> trees;
    std::vector<Server> servers;
    Workstation workstation;
    Json extra = Json::object();

    const Tree* FindTree(std::string_view name) const;  // padding ignored
    Tree* FindTree(std::string_view name);
    const Server* FindServer(std::string_view name) const;
    // The identity the workstation holds on a tree ("" when none).
    std::string IdentityOf(std::string_view tree, bool second) const;
};

}  // namespace orrel::dirstore
