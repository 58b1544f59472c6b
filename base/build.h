// Which of the two programs this translation unit belongs to.
#pragma once

#ifndef KOVA_SECOND_BUILD
#error "KOVA_SECOND_BUILD must be defined by the build"
#endif

// rcKovaGL2: no Japanese text, its own diagnostics, drawing layer, deferred
// menu items and 3D segments as display objects. Shared code branches on this
// with if constexpr.
inline constexpr bool kSecondBuild = KOVA_SECOND_BUILD != 0;
