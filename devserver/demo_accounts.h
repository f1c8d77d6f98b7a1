#pragma once

class Database;
class PhraseCollection;

// The two demo accounts, created when missing (existing ones are left as they are):
//   learner@pelora.test / selamat-pagi   a library drawn from the built-in cards
//   new@pelora.test     / selamat-datang an empty library
namespace DemoAccounts {

inline constexpr int learnerLibrarySize = 72;

bool ensure(Database &database, const PhraseCollection &collection);

} // namespace DemoAccounts
