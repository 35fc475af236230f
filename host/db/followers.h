#pragma once
// The records that follow an entity in the file and belong to it: an INSERT's attributes and a
// POLYLINE's vertices, ended by a SEQEND. They are part of that entity for every reader: they are
// drawn, picked, erased and walked with it, and their owner is the entity they follow.

#include <string_view>
#include <vector>

#include "db/database.h"

namespace kx::db {

// ATTRIB, VERTEX and SEQEND.
bool isFollowerType(std::string_view type);

// The ATTRIB and VERTEX records after `entity` up to its SEQEND, erased ones left out.
std::vector<ObjectId> followers(const Database& db, ObjectId entity);
// The records from the first follower through the SEQEND, erased or not: what goes and comes
// back with the entity.
std::vector<ObjectId> followerRun(const Database& db, ObjectId entity);

}  // namespace kx::db
