#pragma once

// Where the running application answers on the session bus (SingleInstance
// serves these names). The updater asks it to quit there before it replaces
// the installation.
namespace ApplicationBus {

inline constexpr char serviceName[] = "org.plumet.plumet";
inline constexpr char objectPath[] = "/org/plumet/plumet";
inline constexpr char interfaceName[] = "org.plumet.Application";
inline constexpr char quitMethod[] = "Quit";

} // namespace ApplicationBus
