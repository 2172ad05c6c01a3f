// Everything of the object model: include this one header.
#pragma once

#include "engine/Math.h"
#include "engine/objects/Attachable.h"
#include "engine/objects/Containers.h"
#include "engine/objects/Interfaces.h"
#include "engine/objects/Lists.h"
#include "engine/objects/OnePiece.h"
#include "engine/objects/Primitives.h"
#include "engine/objects/Strings.h"

