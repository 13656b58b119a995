#pragma once

// A record header, for the network folder's back edge beside it.
