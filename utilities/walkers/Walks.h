// Every walk of the library. Each file that defines walkers includes this one header: a walker that one file
// reaches (through a base, an embedded member or the registry) is then instantiated exactly as the file that
// exports it defines it.
#pragma once

#include "utilities/walkers/ContainerWalks.h"
#include "utilities/walkers/DeviceWalks.h"
#include "utilities/walkers/FragmentWalks.h"
#include "utilities/walkers/GraphicsWalks.h"
#include "utilities/walkers/ObjectWalks.h"
#include "utilities/walkers/StdWalks.h"
#include "utilities/walkers/TextWalks.h"
