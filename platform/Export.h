// Marks the classes and functions that the library exports; everything else stays inside it.
#pragma once

#define TARN_API __attribute__((visibility("default")))
