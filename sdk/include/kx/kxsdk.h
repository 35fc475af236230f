#pragma once
// Everything a module needs from the host, in one include.

#include "kx/kxarray.h"
#include "kx/kxdb.h"
#include "kx/kxdbblock.h"
#include "kx/kxdbdict.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "kx/kxge.h"
#include "kx/kxrx.h"
#include "kx/kxtypes.h"
