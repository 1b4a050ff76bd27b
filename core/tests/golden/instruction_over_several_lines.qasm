OPENQASM 3.0;
qubit[1] q;
if (1 + 2 + 3 == 6) {
  rx(1 + 2 + 3) q[0];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
