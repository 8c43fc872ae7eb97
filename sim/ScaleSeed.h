#pragma once
// Objects added on top of a seed so that listings of a big array can be tried and measured: each
// kind the inventory listings read, numbered after the seed's own.

#include <cstddef>

namespace unitysim {

class ObjectModel;

// Adds `count` of each: LUN storage resources with their LUN (sizes as numbers, a host access
// entry on every other one), hosts with an iSCSI initiator and an IP port, and file systems with
// their storage resource, alternating between the model's first two NAS servers (one named
// "NAS_Scale" is added when the model has none). Names are "<kind>_scale_<n>". Throws
// std::invalid_argument when an id is already taken.
void addScaleObjects(ObjectModel& model, std::size_t count);

}  // namespace unitysim
