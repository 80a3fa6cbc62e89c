#pragma once

#include <QLatin1String>

namespace ostrel {

// The attribute names the services read and write, and the role values they compare with.
// A backend answers for these names; any other name may be reported as unsupported.
namespace AXAttribute {
inline constexpr QLatin1String windows{"AXWindows"};
inline constexpr QLatin1String role{"AXRole"};
inline constexpr QLatin1String subrole{"AXSubrole"};
inline constexpr QLatin1String minimized{"AXMinimized"};
inline constexpr QLatin1String fullScreen{"AXFullScreen"};
inline constexpr QLatin1String position{"AXPosition"};
inline constexpr QLatin1String size{"AXSize"};
inline constexpr QLatin1String url{"AXURL"};
inline constexpr QLatin1String document{"AXDocument"};
inline constexpr QLatin1String children{"AXChildren"};
} // namespace AXAttribute

namespace AXRoleValue {
inline constexpr QLatin1String window{"AXWindow"};
inline constexpr QLatin1String standardWindow{"AXStandardWindow"};
inline constexpr QLatin1String dialog{"AXDialog"};
inline constexpr QLatin1String floatingWindow{"AXFloatingWindow"};
inline constexpr QLatin1String webArea{"AXWebArea"};
} // namespace AXRoleValue

} // namespace ostrel
