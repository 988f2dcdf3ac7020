// A 20 MB package sent to a local SMTP server (aiosmtpd, taking messages without storing them)
// over the session's kept connection: the time from Mail to the server's reply.

#include "MailSession.h"
#include "SmtpTestServer.h"

#include <benchmark/benchmark.h>

namespace {

void BM_SendTwentyMegabytes(benchmark::State& state) {
    pg::test::TSmtpTestServer server({"--discard"});
    pg::test::TTempFolder files("pagellan-bench-mail");
    std::string bytes(20u << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 2654435761u) >> 13);
    const std::string package = files.File("2026114.QDX", bytes);
    pg::TMailSetup setup;
    setup.Host = "127.0.0.1";
    setup.Port = std::to_string(server.Port());
    setup.EmailAddr = "desk@lender.example";
    pg::TMailSession session;
    for (auto _ : state) {
        const pg::TMailResult result =
            session.Send(setup, {"a@x.example", "", "Documents", {"body"}, {package}});
        if (result.Outcome != pg::TMailOutcome::Sent)
            state.SkipWithError(result.Text.c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_SendTwentyMegabytes)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
