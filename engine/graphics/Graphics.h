// Everything of the graphics layer: include this one header.
#pragma once

#include "engine/graphics/Changes.h"
#include "engine/graphics/Consolidation.h"
#include "engine/graphics/Fragments.h"
#include "engine/graphics/LineItems.h"
#include "engine/graphics/Lists.h"
#include "engine/graphics/Nodes.h"
#include "engine/graphics/RenderNode.h"
#include "engine/graphics/SpatialCell.h"
#include "engine/graphics/Worlds.h"
#include "engine/text/Text.h"
