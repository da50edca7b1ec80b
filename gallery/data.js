"use strict";
// Reads the embedded data block written by build_gallery.py: zlib-compressed
// metadata (JSON) followed by each pattern's stored axes as byte differences
// of values quantised to ±quant of the axis's own largest magnitude.

async function inflate(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("deflate"));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// Undo the byte differences and the scaling; absent axes stay null (all zero).
function decodePatterns(raw) {
  const metaLength = new DataView(raw.buffer, raw.byteOffset).getUint32(0, true);
  const meta = JSON.parse(new TextDecoder().decode(raw.subarray(4, 4 + metaLength)));
  let offset = 4 + metaLength;
  const patterns = meta.patterns.map(([name, description, period, dims, group, scales, axisNote], index) => {
    const axes = scales.map((scale) => {
      if (!scale) return null;
      const values = new Float32Array(period);
      const step = scale / meta.quant;
      let acc = 0;
      for (let i = 0; i < period; i++) {
        acc = (acc + raw[offset + i]) & 0xff;
        values[i] = (acc > 127 ? acc - 256 : acc) * step;   // a signed byte
      }
      offset += period;
      return values;
    });
    return {
      index, name, description, axisNote, period, dims, axes,
      scales,
      zScale: scales[2],
      group: meta.groups[group][0],
      search: (name + " " + description).toLowerCase(),
      card: null, picture: null, markers: null, row: -1,
    };
  });
  return { quant: meta.quant, pipsPerBeat: meta.pipsPerBeat, groups: meta.groups, patterns };
}
