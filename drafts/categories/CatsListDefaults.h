// What the categories and tags lists keep between runs, read so that a value
// of the wrong type or range gives the factory one.
#pragma once

#include "CategoryListModel.h"

namespace CatsListDefaults {

inline constexpr auto kindKey = "catSearchType";
inline constexpr auto sortKey = "tags_table_sort";
inline constexpr auto fontSizeKey = "listFontSize";
inline constexpr double factoryFontSize = 11;

// The shared kind code (6901–6903); unset or unreadable: 6902.
int kind();
void setKind(int kind);
// The list's font size in points; the factory 11 for anything unusable.
double fontSize();
// The table's order, kept as "<title|isChecked> <ascending|descending>";
// anything else reads as title ascending.
CategoryListModel::SortOrder sortOrder();
void setSortOrder(const CategoryListModel::SortOrder& order);

} // namespace CatsListDefaults
