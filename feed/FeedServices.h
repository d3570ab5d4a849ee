#pragma once
// Live traffic feed: what the rest of the program uses of it, in one include for the application shell.
// The server for RealTraffic and its PSX lines (RealTrafficServer.h), the UDP readers and their watchdog
// (UdpReader.h), the checks of a traffic line (TrafficLine.h), the traffic queue (TrafficQueue.h) and the
// requests to the engine (FeedRequests.h); the feed's state in its one owner (FeedState.h).
#include "feed/FeedRequests.h"
#include "feed/FeedState.h"
#include "feed/RealTrafficServer.h"
#include "feed/StreamPoint.h"
#include "feed/TrafficLine.h"
#include "feed/TrafficQueue.h"
#include "feed/UdpReader.h"
