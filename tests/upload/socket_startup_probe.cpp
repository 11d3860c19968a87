// Creates the first socket component and prints the start-up error it raises, or "started".

#include <cstdio>

#include "upload/id_errors.h"
#include "upload/tcp_client.h"

int main() {
  try {
    korvalesen::TIdTCPClient client;
    std::puts("started");
  } catch (const korvalesen::EIdStackError& error) {
    std::puts(error.Message().c_str());
  }
}
