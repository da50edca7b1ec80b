"""The one OSC address root every message this program sends or accepts lives under."""

OSC_ROOT = "/kinemorphs"
