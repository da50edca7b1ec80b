"""Playbacks: layers of cues running at once, positions they ride on, masters, the MIDI
controller map, the state file that a run resumes from, and the timeline."""
