#pragma once

// The client library's published C header. Only its types and constants are used: the
// functions are reached through the entry-point table, never linked. Some declarations are
// marked deprecated in today's header; the binding still has to name them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <ibase.h>
#pragma GCC diagnostic pop
