#pragma once
// What the folders above use of feed/: the live traffic feed. Headers not listed here (the readers and the
// *Internal.h ones) are feed/'s own.
#include "feed/FeedRequests.h" // what the feed asks of the traffic engine, carried out on its thread
#include "feed/FeedServices.h" // starting, stopping and resetting the feed's readers
#include "feed/FeedState.h"    // the feed's state in one owner, and its reset
#include "feed/StreamPoint.h"  // one timed position of a live aircraft's stream, and the step clock
#include "feed/TrafficQueue.h" // accepted reports on their way from the traffic reader to the engine
