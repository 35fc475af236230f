#pragma once
// GROUP objects: named (or anonymous, "*A<n>") sets of entities kept in the named-objects
// dictionary's "ACAD_GROUP" dictionary. A group lists its members (340) and every member names the
// group among its reactors (102 {ACAD_REACTORS 330), which CAD programs rely on to find an
// entity's groups.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace kx::db {

// The group dictionary; null when the drawing has none.
ObjectId findGroupDictionary(const Database& db);
// The group dictionary, made (and entered in the named-objects dictionary) when missing. Null
// only for a drawing without a named-objects dictionary.
ObjectId groupDictionary(Database& db);

// Whether `name` asks for an anonymous group: "*", or a name starting with "*U" or "*A".
bool isAnonymousGroupRequest(std::wstring_view name);
// The first "*A<n>" name the group dictionary does not hold.
std::wstring nextAnonymousGroupName(const Database& db);

// The groups of a new GROUP after its owner (subclass marker, description, unnamed, selectable).
std::vector<NewTag> groupBody(const Database& db, std::wstring_view description, bool anonymous,
                              bool selectable);

// Adds a group to the group dictionary under `name` (an anonymous request gets the next "*A<n>")
// with `members`. Returns the group; null when the name is taken or the drawing has no
// named-objects dictionary.
ObjectId addGroup(Database& db, std::wstring_view name, std::wstring_view description,
                  bool selectable, std::span<const ObjectId> members = {});

// The live members, in group order.
std::vector<ObjectId> groupMembers(const Database& db, ObjectId group);
// Adds `entity` at the end of the group and the group to the entity's reactors. Returns false
// (and changes nothing) when it is a member already.
bool appendGroupMember(Database& db, ObjectId group, ObjectId entity);
// Takes `entity` out of the group and the group out of the entity's reactors. Returns whether
// it was a member.
bool removeGroupMember(Database& db, ObjectId group, ObjectId entity);
// Dissolves a group: its members lose it from their reactors, the group dictionary loses its
// entry, and the group is erased. The members themselves stay.
void dissolveGroup(Database& db, ObjectId group);
// `entities` with the live members of every selectable group (71 = 1) any of them is in, each
// group's members right after the first entity that brings them, without repeats: what a pick
// takes when group selection is on.
std::vector<ObjectId> withSelectableGroups(const Database& db, std::span<const ObjectId> entities);
// The live groups of the group dictionary that list `entity`.
std::vector<ObjectId> groupsContaining(const Database& db, ObjectId entity);

// Adds `reactor` to the object's 102 {ACAD_REACTORS list (making the list when missing), and
// removes it again. Adding one that is there already changes nothing.
void addReactor(Database& db, ObjectId object, ObjectId reactor);
void removeReactor(Database& db, ObjectId object, ObjectId reactor);

}  // namespace kx::db
