// An instrument on the network: a TCP connection to HOST:PORT (a raw SCPI socket, a serial
// device server).
#pragma once

#include <memory>
#include <string>

#include "serial/transport.h"

// Starts connecting and returns at once; done is told from the main context when the
// connection is made, refused, or over its time limit (networkConnectMs). The connection sends
// short commands at once and notices a peer that vanished (keep-alive).
std::unique_ptr<Transport> connectTcp(const std::string& host, int port, ConnectDone done);
