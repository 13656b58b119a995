#pragma once

// The shape of a self-contained installation: one folder holding the program,
// its libraries and plug-ins, and a marker file that says the folder may be
// replaced as a whole by a newer one. Without the marker (a package-managed
// or a build-tree copy) nothing is ever replaced.
namespace InstallLayout {

inline constexpr char markerFile[] = "plumet-self-contained";
inline constexpr char executable[] = "bin/plumet";
inline constexpr char updaterProgram[] = "plumetUpdater";
inline constexpr char helperProgram[] = "lib/plumet/plumetUpdateHelper";
// An update archive holds one folder of this name at its top level.
inline constexpr char archiveFolder[] = "plumet";
// Work folders made beside an installation start with this name.
inline constexpr char workFolderPrefix[] = ".plumet-update-";
// The updater's own private folders (its running copy, its download) start
// with this name; the privileged helper reads an archive only from one.
inline constexpr char privateFolderPrefix[] = "plumetUpdater-";

} // namespace InstallLayout
