// Everything of the device layer: include this one header.
#pragma once

#include "engine/devices/Effects.h"
#include "engine/devices/Fragments.h"
#include "engine/devices/Geometry.h"
#include "engine/devices/Interfaces.h"
#include "engine/devices/PassFragments.h"
#include "engine/devices/Resources.h"
#include "engine/devices/Sys.h"
