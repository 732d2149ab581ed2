#include "tools/import/relationships.h"

#include <algorithm>
#include <map>

namespace ornetta::import {

std::vector<Relationship> ReadRelationships(const MdbSource& source) {
  std::vector<Relationship> out;
  if (!source.HasSystemTable("MSysRelationships")) return out;
  const SourceTable def = source.ReadTable("MSysRelationships");
  std::map<std::string, int> at;
  for (size_t i = 0; i < def.columns.size(); ++i) at[def.columns[i].name] = static_cast<int>(i);
  for (const char* needed : {"szRelationship", "szObject", "szColumn", "szReferencedObject", "szReferencedColumn"})
    if (!at.count(needed)) return out;
  MdbSource::Rows rows(source, "MSysRelationships");
  std::vector<SourceValue> v;
  while (rows.Next(v)) {
    const std::string name = v[at["szRelationship"]].bytes;
    auto it = std::find_if(out.begin(), out.end(), [&](const Relationship& r) { return r.name == name; });
    if (it == out.end()) {
      out.push_back({name, v[at["szObject"]].bytes, v[at["szReferencedObject"]].bytes, {}, {}});
      it = out.end() - 1;
    }
    it->columns.push_back(v[at["szColumn"]].bytes);
    it->referenced_columns.push_back(v[at["szReferencedColumn"]].bytes);
  }
  return out;
}

}  // namespace ornetta::import
