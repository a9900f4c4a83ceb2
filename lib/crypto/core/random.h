// Internal side of the random generator: seeding at the layer's start-up.
#pragma once

namespace vkt::crypto {

// Seeds the generator from the system's entropy source mixed with the clocks. Called once, by
// the layer's start-up; never leaves the state at 0.
void RandomSeedFromSystem();

}  // namespace vkt::crypto
