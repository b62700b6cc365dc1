// Loopback-only sockets: this server refuses to listen anywhere else.
#pragma once

#include <cstdint>
#include <string>

namespace testserver {

struct Endpoint {
  std::string address = "127.0.0.1";
  uint16_t port = 0;
};

// "ADDRESS:PORT" or ":PORT" or "PORT"; false when malformed.
bool ParseEndpoint(const std::string& text, Endpoint& endpoint);
bool IsLoopback(const std::string& address);

// Return the socket, or -1 with errno set; `bound` receives the port actually bound.
int ListenTcp(const Endpoint& endpoint, uint16_t& bound);
int BindUdp(const Endpoint& endpoint, uint16_t& bound);

}  // namespace testserver
