OPENQASM 3.0;
qubit[7] q;
rx(0.5) q[4];
h q[6];
h q[3];
rx(2.5) q[0];
h q[2];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
