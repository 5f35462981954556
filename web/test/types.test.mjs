// The TypeScript declarations: the README's uses compile, and misuses are
// refused (test/types/usage.ts, with @ts-expect-error where they must be).
import test from "node:test";
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { existsSync } from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";

import { ROOT } from "./helpers.mjs";

test("index.d.ts describes the package to TypeScript", { timeout: 120000 }, (t) => {
  if (!existsSync(path.join(ROOT, "build-web/npm/index.d.ts"))) {
    t.skip("needs scripts/build-web");
    return;
  }
  const require = createRequire(path.join(ROOT, "web/package.json"));
  const tsc = require.resolve("typescript/bin/tsc");
  const run = spawnSync(process.execPath, [tsc, "-p", path.join(ROOT, "web/test/types/tsconfig.json")], {
    encoding: "utf8",
  });
  assert.equal(run.status, 0, run.stdout + run.stderr);
});
