#include "ports/network_session.h"

namespace harrowlander {
namespace {

class RefusingNetworkSession : public NetworkSession {
 public:
  bool AddNetUse(const std::string&, const std::string&, const std::string&) override {
    return false;
  }
  bool DeleteNetUse(const std::string&) override { return false; }
};

}  // namespace

NetworkSession& NoNetworkSession() {
  static RefusingNetworkSession session;
  return session;
}

}  // namespace harrowlander
