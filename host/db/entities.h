#pragma once
// Entities in their blocks: finding block records, adding entities made here, erasing.

#include <string_view>
#include <vector>

#include "db/database.h"
#include "geom/vec.h"

namespace kx::db {

// The BLOCK_RECORD named `name` (case-insensitive), e.g. "*Model_Space"; null when there is none.
ObjectId findBlockRecord(const Database& db, std::string_view name);
// The BLOCK record that opens a block's entities in the BLOCKS section: the one the record owns,
// else the first of its name; null when there is none. By name for drawings without block
// records (R12).
ObjectId findBlockBegin(const Database& db, ObjectId blockRecord);
ObjectId findBlockBeginNamed(const Database& db, std::string_view name);
// The base point (10) of the block a BLOCK record opens.
geom::Vec3 blockBasePoint(const Database& db, ObjectId blockBegin);
// The live entities between a BLOCK record and its ENDBLK, in file order, followers left out.
std::vector<ObjectId> entitiesOfBlockBegin(const Database& db, ObjectId blockBegin);

// The entities of a block, in drawing order, erased ones left out. Model space and paper space
// entities live in the ENTITIES section; other blocks between their BLOCK and ENDBLK.
std::vector<ObjectId> blockEntities(const Database& db, ObjectId blockRecord);

// Adds an entity of `type` to the block. `body` holds the groups after the handle and owner,
// subclass markers included, in the order they are to be written. The entity gets a new handle
// and the block record as owner. Made here means trusted: a body that lacks a group the type
// needs is a programming error and throws std::invalid_argument, leaving the drawing unchanged.
ObjectId addEntity(Database& db, ObjectId blockRecord, std::string_view type,
                   const std::vector<NewTag>& body);
// Adds an entity made outside the drawing's blocks (an erased record whose groups are a body as
// above, after any handle, reactors and owner) to the block as addEntity adds a copy of its body,
// but takes the groups over instead of copying them. `made` is left with its type line alone.
ObjectId moveEntity(Database& db, ObjectId blockRecord, ObjectId made);

// Erases an entity, or brings an erased one back; the attributes or vertices that follow an
// INSERT or POLYLINE, and their SEQEND, go and come with it.
void setEntityErased(Database& db, ObjectId entity, bool erased);

}  // namespace kx::db
