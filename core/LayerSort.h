#pragma once
// The frame's layer order. The active list holds pointers to timeline slots in
// slot order; sorting moves the records themselves between those slots, so the
// list keeps pointing at the same slots and now reads in drawing order.
//
// Layers compare as unsigned numbers (a negative layer is drawn after every
// other), and equal layers keep the order of the slots they occupy: the order
// a stable exchange sort over the records would leave, which the timeline's
// slot contents (and so the draw order of later frames) depend on.
#include <vector>

struct TEffect;

// scratch is working space; with a capacity of twice the list's length
// reserved beforehand the sort allocates nothing.
void SortByLayer(const std::vector<TEffect*>& active, std::vector<TEffect>& scratch);
