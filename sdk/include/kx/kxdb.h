#pragma once
// Entity lists: reading, changing, making and walking the drawing's objects by DXF group codes.
//
// A list from kxdbEntGet starts with -1 (the entity name), 0 (type), 5 (handle, as text), 330
// (owner, as a name), then the object's groups in file order with subclass markers (100). Points
// are one element each (10 with x, y, z); handles that refer to other objects (330, 340, 350, 360)
// are names; angles are radians. Strings are wide. An MTEXT's contents are its chunks (3) and last
// part (1) taken together: each element shows whole characters and format codes, however the
// drawing cut them, and kxdbEntMod takes the contents from all of a list's 3 and 1 elements.

#include "kx/kxtypes.h"

extern "C" {

resbuf* kxdbEntGet(const kds_name entity);
// Changes the object to match the list: every group the list gives is set, others stay. A list
// with a wrong value type for a group, a group the type cannot hold, another type, a name of an
// erased entity or of another drawing, or an entity on a locked layer is refused with KXRT_ERROR
// and the drawing is unchanged. Texts are re-placed from their anchor as the host always does.
int kxdbEntMod(const resbuf* list);
// Makes an entity from a list that starts with 0 (type); it goes to the current space (67 and
// 410 choose paper space). Groups the list leaves out take their defaults (layer: CLAYER).
int kxdbEntMake(const resbuf* list);
// The same, and returns the new entity's name; also makes non-graphical objects.
int kxdbEntMakeX(const resbuf* list, kds_name result);
// Erases an entity; called on an erased entity, brings it back.
int kxdbEntDel(const kds_name entity);
// Makes the host show the entity's current state (a no-op headless, but the name is checked).
int kxdbEntUpd(const kds_name entity);
// The first entity of the drawing (null `entity`) or the one after `entity`; after an INSERT with
// attributes, its ATTRIBs and SEQEND come next. KXRT_ERROR at the end.
int kxdbEntNext(const kds_name entity, kds_name result);
// The last main entity of the drawing.
int kxdbEntLast(kds_name result);
int kxdbHandEnt(const wchar_t* handle, kds_name result);

// Symbol tables: "LAYER", "LTYPE", "STYLE", "VIEW", "UCS", "VPORT", "APPID", "DIMSTYLE",
// "BLOCK". The list of a record has no -1 name; for "BLOCK" it also has -2, the name of the
// block's first entity. `setNext` makes kxdbTblNext go on after this record.
resbuf* kxdbTblSearch(const wchar_t* table, const wchar_t* name, int setNext);
resbuf* kxdbTblNext(const wchar_t* table, int rewind);
}
