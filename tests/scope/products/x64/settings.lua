-- A 64-bit per-machine product: the native Program Files, the 64-bit registry view.
global_payload_bits = 64
