// Data form scripts: plain text files that declare an itemised resource (its
// two names and its items) and fill it with records. The grammar is
// described in docs/FORMATS.md ("Data form scripts").
//
// A line is a keyword when the whole line occurs inside the keyword word
// (FindText(keyword, line)): "EndData" and "Data" both end a record block, a
// line with a blank before "StartData" does not start one, an empty line is
// no keyword. The same test is applied to the first token of a line for
// "Item" and to an Item line's type word.
#pragma once

#include <cstddef>

#include "core/types.h"

namespace vadu {

// Longest string value a script gives (a quoted value is cut to it, never
// in the middle of a two-byte character).
inline constexpr size_t kDataFormValueMax = 2047;

// The resource of the script `file`: its ResName and DataName come from the
// script's "ResourceName" and "DataName" lines (the settings lookup). When a
// resource file of that ResName loads (OpenResource), that resource is
// returned and the script is not read further. Otherwise the resource is
// made (CreateResource, with `task` as the requesting task, which may be
// none), every Item line of the file declares its items in file order, and
// create_dataform(resource, none, file) fills it; its result is returned.
// None when a name is missing ("CreateItemData() %s Non ResourceName" /
// "... Non DataName"), the resource cannot be made, or create_dataform fails.
Handle CreateItemData(Handle task, const char* file);

// Reads every record block (StartData ... EndData) of the script `file` into
// `resource`: each block makes one record (CreateRecord(resource, -1, 0)) and
// sets the items its lines name. With an anchor (a record of the resource),
// each new record is moved in front of it as soon as it is made, so the
// file's records keep their order and all stand before the anchor; an anchor
// that is not a record of the resource counts as none (records are appended
// at the end). Items a block does not mention keep what the record body held.
// Returns the resource, or none when a block names an unknown item (an empty
// line included: the rest of the file is ignored, the records made so far
// stay), a record cannot be made, or the resource is not a resource.
Handle create_dataform(Handle resource, Handle anchor, const char* file);

// create_dataform with the resource's first active record as the anchor (none
// when it has no active record), so the file's records end up in front of
// those already there. None for a none resource.
Handle AppendDataForm(Handle resource, const char* file);

}  // namespace vadu
