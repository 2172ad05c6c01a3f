// Engine math value types: vectors and matrices, plain data with no behaviour the tools rely on.
#pragma once

// Engine classes are the engine's exports, whatever visibility the including library builds with.
#pragma GCC visibility push(default)

namespace Tarn {

template <class T> struct vec2 { T x{}, y{}; };
template <class T> struct vec3 { T x{}, y{}, z{}; };
template <class T> struct vec4 { T x{}, y{}, z{}, w{}; };
template <class T> struct mat4 { T m[4][4]{}; };

} // namespace Tarn

#pragma GCC visibility pop
